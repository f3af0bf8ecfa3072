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

# The fixture of a prefix: it makes the prefix ready (nothing to do once it is), plants what
# the scan tests look for, and keeps one wineserver for the whole test run. All output goes
# to /dev/null so that Wine's helper processes do not hold a test's output pipe open.
function(velmora_wine_fixture name runner prefix)
  add_test(NAME ${name}_up COMMAND sh -c "sh '${CMAKE_SOURCE_DIR}/cmake/make-prefix.sh' '${runner}' '${prefix}' && '${CMAKE_SOURCE_DIR}/tests/programs/prefix-fixtures.sh' '${prefix}' '${runner}'; '${runner}' --server -p >/dev/null 2>&1; '${runner}' cmd /c exit >/dev/null 2>&1")
  add_test(NAME ${name}_down COMMAND sh -c "'${runner}' --server -k; '${runner}' --server -w; true")
  set_tests_properties(${name}_up PROPERTIES FIXTURES_SETUP ${name} ${ARGN})
  set_tests_properties(${name}_down PROPERTIES FIXTURES_CLEANUP ${name} ${ARGN})
endfunction()
velmora_wine_fixture(wine ${WINE_RUN} ${WINE_PREFIX})

# 32-bit Windows, where the 32-bit build also runs: a second prefix of that kind
# (WINEARCH=win32), made by its fixture the first time it runs, not at configure time. Its
# entries carry the label win32: scripts/test leaves them out, .ci/run runs them after it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(WINE_PREFIX32 "${CMAKE_BINARY_DIR}/wineprefix32")
  set(WINE_RUN32 "${CMAKE_BINARY_DIR}/wine-run32")
  velmora_wine_runner(${WINE_RUN32} ${WINE_PREFIX32} "${CMAKE_BINARY_DIR}/winehome32" win32)
  velmora_wine_fixture(wine32 ${WINE_RUN32} ${WINE_PREFIX32} LABELS win32)
endif()

# A GoogleTest executable run whole as one test (each Wine process start costs time) by
# runner, in the prefix whose fixture is given; passed only when gtest's summary says every
# test ran and passed (cmake/gtest-suite.sh). The suites share one X display: a window or
# menu of one suite would steal the focus from, or lie over the screenshot of, another's.
# They take turns.
function(velmora_gtest_run name target runner fixture)
  add_test(NAME ${name} COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/gtest-suite.sh ${runner}
                                $<TARGET_FILE:${target}> --gtest_brief=0)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${fixture} TIMEOUT 900
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR} RESOURCE_LOCK display ${ARGN})
endfunction()

function(velmora_add_gtest target)
  velmora_gtest_run(${target} ${target} ${WINE_RUN} wine)
endfunction()

# The same program run whole in the prefix of 32-bit Windows too, as <target>_win32.
function(velmora_add_gtest_win32 target)
  if(WINE_RUN32)
    velmora_gtest_run(${target}_win32 ${target} ${WINE_RUN32} wine32 LABELS win32)
  endif()
endfunction()
