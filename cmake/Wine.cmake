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
file(MAKE_DIRECTORY "${WINE_HOME}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(WINE_RUN "${CMAKE_BINARY_DIR}/wine-run")
set(CMAKE_CROSSCOMPILING_EMULATOR "${WINE_RUN}")

if(NOT EXISTS "${WINE_PREFIX}/system.reg")
  message(STATUS "Creating the Wine prefix ${WINE_PREFIX} (once per build folder)")
  execute_process(COMMAND env -u DISPLAY ${WINE_RUN} wineboot -i OUTPUT_QUIET ERROR_QUIET)
  # Windows on Xvfb have no window manager: let Wine draw frames itself, otherwise
  # destroying a window waits two seconds for the absent manager.
  execute_process(COMMAND ${WINE_RUN} reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f
                  OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${WINE_RUN} --server -w)
endif()

# A program that crashes in the test prefix ends at once: no debugger is started for it
# (one would wait for ever for somebody to attach), in either registry view.
if(NOT EXISTS "${WINE_PREFIX}/velmora-no-debugger.stamp")
  foreach(_view 64 32)
    execute_process(COMMAND ${WINE_RUN} reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug"
                            /v Debugger /d "" /f /reg:${_view} OUTPUT_QUIET ERROR_QUIET)
    execute_process(COMMAND ${WINE_RUN} reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug"
                            /v Auto /d 1 /f /reg:${_view} OUTPUT_QUIET ERROR_QUIET)
  endforeach()
  execute_process(COMMAND ${WINE_RUN} --server -w)
  file(TOUCH "${WINE_PREFIX}/velmora-no-debugger.stamp")
endif()

# Wine's own fonts (Tahoma, Marlett for the caption buttons, ...) are not found by every
# loader build; put them into the prefix so windows and screenshots look the same everywhere.
file(GLOB _wine_fonts /usr/share/wine/fonts/*.ttf)
foreach(_font ${_wine_fonts})
  get_filename_component(_name ${_font} NAME)
  if(NOT EXISTS "${WINE_PREFIX}/drive_c/windows/Fonts/${_name}")
    file(COPY ${_font} DESTINATION "${WINE_PREFIX}/drive_c/windows/Fonts")
  endif()
endforeach()

# One wineserver for the whole test run; all output goes to /dev/null so that Wine's
# helper processes do not hold a test's output pipe open.
add_test(NAME wine_up COMMAND sh -c "'${CMAKE_SOURCE_DIR}/tests/programs/prefix-fixtures.sh' '${WINE_PREFIX}' '${WINE_RUN}'; '${WINE_RUN}' --server -p >/dev/null 2>&1; '${WINE_RUN}' cmd /c exit >/dev/null 2>&1")
add_test(NAME wine_down COMMAND sh -c "'${WINE_RUN}' --server -k; '${WINE_RUN}' --server -w; true")
set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine)

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
