# Installation (program, attrdb, desktop entry, icon, the sample database)
# into the GNUInstallDirs places, and the Debian package made by
# `cpack -G DEB` in the build folder.
include(GNUInstallDirs)

set(ATTR_PACKAGE_MAINTAINER
  "Seed 503e1b9a maintainers <maintainers@users.noreply.c-seed-503e1b9a.example>"
  CACHE STRING "Maintainer named in the Debian package")

# What `cmake --install` puts under the prefix, for the install test.
set(attr_installed_files)

if(TARGET attrsearch)
  install(TARGETS attrsearch RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/attrsearch.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  list(APPEND attr_installed_files "${CMAKE_INSTALL_BINDIR}/attrsearch"
       "${CMAKE_INSTALL_DATADIR}/applications/attrsearch.desktop")
  foreach(size 32 64 128)
    set(icon_dir "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
    install(FILES "${PROJECT_SOURCE_DIR}/packaging/attrsearch-${size}.png"
            DESTINATION "${icon_dir}" RENAME attrsearch.png)
    list(APPEND attr_installed_files "${icon_dir}/attrsearch.png")
  endforeach()
endif()

if(TARGET attrdb)
  install(TARGETS attrdb RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  list(APPEND attr_installed_files "${CMAKE_INSTALL_BINDIR}/attrdb")
endif()

# The demonstration database, to copy where the window is started.
if(TARGET sample_database)
  set(sample_dir "${CMAKE_INSTALL_DATADIR}/attrsearch/sample")
  install(FILES "${CMAKE_BINARY_DIR}/sample/attrdata.mdb"
                "${PROJECT_SOURCE_DIR}/sample/README.md"
          DESTINATION "${sample_dir}")
  list(APPEND attr_installed_files "${sample_dir}/attrdata.mdb" "${sample_dir}/README.md")
endif()

set(CPACK_PACKAGE_NAME attrsearch)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${ATTR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Attribution of mainland-China mobile numbers from an Access database")
set(CPACK_PACKAGE_DESCRIPTION
  "A Qt window that shows the province, city, postal code, area code and card\n\
type of a mobile number's first seven digits, and lists the number heads of\n\
a city, from attrdata.mdb (Jet 4) in the working folder; attrdb, its\n\
command-line companion, looks up, lists, imports, exports and checks such\n\
files. Ships a demonstration database, not a real registry.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ATTR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

if(ATTR_BUILD_TESTS)
  add_test(NAME install_tree COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${CMAKE_BINARY_DIR}
    "-DEXPECTED=${attr_installed_files}"
    -P "${CMAKE_CURRENT_LIST_DIR}/install_test.cmake")
endif()
