# The private Wine prefix that runs tests and the staged program.
set(WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for tests")
set(WINE_HOME "${CMAKE_BINARY_DIR}/winehome")
# A 64-bit build runs under the 64-bit loader directly: the generic "wine" command would
# pick the 32-bit loader whenever wine32 is installed.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WINE_LOADER /usr/lib/wine/wine64)
  set(WINE_SERVER /usr/lib/wine/wineserver64)
else()
  set(WINE_LOADER /usr/lib/wine/wine)
  set(WINE_SERVER /usr/lib/wine/wineserver)
endif()
# Writes the runner script for one prefix (WINE_ARCH: empty, or win32 for 32-bit Windows).
function(velmora_wine_runner script WINE_PREFIX WINE_HOME WINE_ARCH)
  file(MAKE_DIRECTORY "${WINE_HOME}")
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()
set(WINE_RUN "${CMAKE_BINARY_DIR}/wine-run")
velmora_wine_runner(${WINE_RUN} ${WINE_PREFIX} ${WINE_HOME} "")
set(CMAKE_CROSSCOMPILING_EMULATOR "${WINE_RUN}")

execute_process(COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/make-prefix.sh ${WINE_RUN} ${WINE_PREFIX})

# One wineserver for the whole test run; all output goes to /dev/null so that Wine's
# helper processes do not hold a test's output pipe open.
add_test(NAME wine_up COMMAND sh -c "'${CMAKE_SOURCE_DIR}/tests/programs/prefix-fixtures.sh' '${WINE_PREFIX}' '${WINE_RUN}'; '${WINE_RUN}' --server -p >/dev/null 2>&1; '${WINE_RUN}' cmd /c exit >/dev/null 2>&1")
add_test(NAME wine_down COMMAND sh -c "'${WINE_RUN}' --server -k; '${WINE_RUN}' --server -w; true")
set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine)

# 32-bit Windows, where the 32-bit build also runs: a second prefix of that kind
# (WINEARCH=win32), made by its fixture the first time it runs, not at configure time. Its
# entries carry the label win32: scripts/test leaves them out, .ci/run runs them after it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(WINE_PREFIX32 "${CMAKE_BINARY_DIR}/wineprefix32")
  set(WINE_RUN32 "${CMAKE_BINARY_DIR}/wine-run32")
  velmora_wine_runner(${WINE_RUN32} ${WINE_PREFIX32} "${CMAKE_BINARY_DIR}/winehome32" win32)
  add_test(NAME wine32_up COMMAND sh -c "sh '${CMAKE_SOURCE_DIR}/cmake/make-prefix.sh' '${WINE_RUN32}' '${WINE_PREFIX32}' && '${CMAKE_SOURCE_DIR}/tests/programs/prefix-fixtures.sh' '${WINE_PREFIX32}' '${WINE_RUN32}'; '${WINE_RUN32}' --server -p >/dev/null 2>&1; '${WINE_RUN32}' cmd /c exit >/dev/null 2>&1")
  add_test(NAME wine32_down COMMAND sh -c "'${WINE_RUN32}' --server -k; '${WINE_RUN32}' --server -w; true")
  set_tests_properties(wine32_up PROPERTIES FIXTURES_SETUP wine32 LABELS win32)
  set_tests_properties(wine32_down PROPERTIES FIXTURES_CLEANUP wine32 LABELS win32)
endif()

# A GoogleTest executable run whole as one test (each Wine process start costs time).
function(velmora_add_gtest target)
  # Passed only when gtest's summary says every test ran and passed (cmake/gtest-suite.sh).
  add_test(NAME ${target} COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/gtest-suite.sh ${WINE_RUN}
                                  $<TARGET_FILE:${target}> --gtest_brief=0)
  # The suites share one X display: a window or menu of one suite would steal the focus from,
  # or lie over the screenshot of, another's. They take turns.
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR} RESOURCE_LOCK display)
endfunction()

# The same program run whole in the prefix of 32-bit Windows, as <target>_win32.
function(velmora_add_gtest_win32 target)
  if(NOT WINE_RUN32)
    return()
  endif()
  add_test(NAME ${target}_win32 COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/gtest-suite.sh ${WINE_RUN32}
                                        $<TARGET_FILE:${target}> --gtest_brief=0)
  set_tests_properties(${target}_win32 PROPERTIES FIXTURES_REQUIRED wine32 LABELS win32 TIMEOUT 900
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR} RESOURCE_LOCK display)
endfunction()
