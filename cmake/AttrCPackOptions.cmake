# Read by cpack for each package it makes (CPACK_PROJECT_CONFIG_FILE): the
# installer is named as one, the ZIP keeps its name.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "attrtool-${CPACK_PACKAGE_VERSION}-windows-x86_64-setup")
endif()
