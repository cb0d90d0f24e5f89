# attrsearch started where no display can be reached: one clear line on
# standard error and exit code 1, never an abort.
# Usage: cmake -DPROGRAM=... -P start_cli_test.cmake
foreach(platform_case "xcb;DISPLAY=:987" "wayland;WAYLAND_DISPLAY=attr-no-such-socket")
  list(GET platform_case 0 platform)
  list(GET platform_case 1 display)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            QT_QPA_PLATFORM=${platform} ${display} "${PROGRAM}"
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT code EQUAL 1)
    message(FATAL_ERROR "${platform}: exit ${code}, expected 1\n${err}")
  endif()
  if(NOT err MATCHES "attrsearch: cannot open a window on the display")
    message(FATAL_ERROR "${platform}: no clear line on standard error:\n${err}")
  endif()
endforeach()
