# Header-only libraries for a cross build, taken from the build machine's
# packages (CLI11, nlohmann-json): their headers are the same for every
# target. Each gets a folder of its own under the build folder, so the
# target's compiler never sees the rest of the build machine's headers, and
# a package configuration there that find_package() loads.
set(attr_host_headers "${CMAKE_BINARY_DIR}/host-headers")
set(attr_host_packages "${CMAKE_BINARY_DIR}/host-packages")

# attr_host_header_package(PACKAGE TARGET HEADER_DIR PROBE)
function(attr_host_header_package package target header_dir probe)
  find_path(ATTR_HOST_${package}_INCLUDE "${probe}" NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ATTR_HOST_${package}_INCLUDE)
    message(STATUS "${package}: ${probe} not found on the build machine")
    return()
  endif()
  set(include_dir "${attr_host_headers}/${package}")
  file(MAKE_DIRECTORY "${include_dir}")
  if(NOT EXISTS "${include_dir}/${header_dir}")
    file(CREATE_LINK "${ATTR_HOST_${package}_INCLUDE}/${header_dir}"
         "${include_dir}/${header_dir}" SYMBOLIC)
  endif()
  set(config_dir "${attr_host_packages}/${package}")
  file(WRITE "${config_dir}/${package}Config.cmake"
"if(NOT TARGET ${target})
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES \"${include_dir}\")
endif()
")
  set(${package}_DIR "${config_dir}" CACHE PATH "" FORCE)
endfunction()

attr_host_header_package(CLI11 CLI11::CLI11 CLI CLI/CLI.hpp)
attr_host_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann
                         nlohmann/json.hpp)
