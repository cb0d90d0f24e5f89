# Installs the build into a folder under it (DESTDIR, prefix /usr) and checks
# that every file the install rules name is there and not empty, attrdb
# runs, and the desktop entry is valid where desktop-file-validate is installed.
set(dest "${BUILD_DIR}/install-test")
file(REMOVE_RECURSE "${dest}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${dest}"
          ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix /usr
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${code}):\n${out}\n${err}")
endif()
if(NOT EXPECTED)
  message(FATAL_ERROR "no installed files expected: nothing to check")
endif()
foreach(relative IN LISTS EXPECTED)
  set(path "${dest}/usr/${relative}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "not installed: /usr/${relative}")
  endif()
  file(SIZE "${path}" size)
  if(size EQUAL 0)
    message(FATAL_ERROR "installed empty: /usr/${relative}")
  endif()
  if(relative MATCHES "^bin/attrdb$")
    execute_process(COMMAND "${path}" --help RESULT_VARIABLE run OUTPUT_QUIET ERROR_QUIET
                    TIMEOUT 20)
    if(NOT run EQUAL 0)
      message(FATAL_ERROR "/usr/${relative} --help failed: ${run}")
    endif()
  endif()
  if(relative MATCHES "\\.desktop$")
    find_program(VALIDATE desktop-file-validate)
    if(VALIDATE)
      execute_process(COMMAND ${VALIDATE} "${path}" OUTPUT_VARIABLE o ERROR_VARIABLE e
                      RESULT_VARIABLE v)
      if(NOT v EQUAL 0 OR NOT "${o}${e}" STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate ${relative}: ${o}${e}")
      endif()
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE "${dest}")
