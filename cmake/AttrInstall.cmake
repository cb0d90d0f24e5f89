# Installation (program and its launcher, attrdb, manual pages, desktop
# entry, AppStream description, icons, the sample database, copyright and
# changelog) into the GNUInstallDirs places, and the Debian package made by
# `cpack -G DEB` in the build folder.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(attr_packaging "${PROJECT_SOURCE_DIR}/packaging")
set(attr_packaging_out "${CMAKE_BINARY_DIR}/packaging")
set(attr_doc_dir "${CMAKE_INSTALL_DATADIR}/doc/attrsearch")
set(attr_man_dir "${CMAKE_INSTALL_MANDIR}/man1")
set(attr_appstream_id org.example.attrtool.attrsearch)

set(ATTR_PACKAGE_MAINTAINER
  "Seed 503e1b9a maintainers <maintainers@users.noreply.c-seed-503e1b9a.example>"
  CACHE STRING "Maintainer named in the Debian package")

# What `cmake --install` puts under the prefix, for the install test.
set(attr_installed_files)

# gzip -9n, as Debian wants manual pages and changelogs: attr_gzip(SOURCE
# NAME) makes ${attr_packaging_out}/NAME.gz at build time.
function(attr_gzip source name)
  set(output "${attr_packaging_out}/${name}.gz")
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${attr_packaging_out}"
    COMMAND gzip -9n -c "${source}" > "${output}"
    DEPENDS "${source}"
    COMMENT "Compressing ${name}")
  add_custom_target(attr_gzip_${name} ALL DEPENDS "${output}")
endfunction()

if(TARGET attrsearch)
  install(TARGETS attrsearch RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  # The menu entry runs the launcher, which starts the window in the data folder.
  install(PROGRAMS "${attr_packaging}/attrsearch-launch"
          DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${attr_packaging}/attrsearch.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${attr_packaging}/${attr_appstream_id}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  configure_file("${attr_packaging}/attrsearch.1.in" "${attr_packaging_out}/attrsearch.1" @ONLY)
  file(WRITE "${attr_packaging_out}/attrsearch-launch.1" ".so man1/attrsearch.1\n")
  attr_gzip("${attr_packaging_out}/attrsearch.1" attrsearch.1)
  attr_gzip("${attr_packaging_out}/attrsearch-launch.1" attrsearch-launch.1)
  install(FILES "${attr_packaging_out}/attrsearch.1.gz"
                "${attr_packaging_out}/attrsearch-launch.1.gz"
          DESTINATION "${attr_man_dir}")
  list(APPEND attr_installed_files "${CMAKE_INSTALL_BINDIR}/attrsearch"
       "${CMAKE_INSTALL_BINDIR}/attrsearch-launch"
       "${CMAKE_INSTALL_DATADIR}/applications/attrsearch.desktop"
       "${CMAKE_INSTALL_DATADIR}/metainfo/${attr_appstream_id}.metainfo.xml"
       "${attr_man_dir}/attrsearch.1.gz" "${attr_man_dir}/attrsearch-launch.1.gz")
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
  # The manual page, made from attrdb --help by help2man.
  find_program(HELP2MAN help2man)
  if(HELP2MAN)
    set(man_page "${attr_packaging_out}/attrdb.1")
    add_custom_command(OUTPUT "${man_page}.gz"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${attr_packaging_out}"
      COMMAND ${HELP2MAN} --no-info --output "${man_page}"
              --name "number-head codec and attribution database companion"
              --include "${attr_packaging}/attrdb.h2m" $<TARGET_FILE:attrdb>
      COMMAND gzip -9nf "${man_page}"
      DEPENDS attrdb "${attr_packaging}/attrdb.h2m"
      COMMENT "Writing attrdb's manual page with help2man"
      VERBATIM)
    add_custom_target(attrdb_man_page ALL DEPENDS "${man_page}.gz")
    install(FILES "${man_page}.gz" DESTINATION "${attr_man_dir}")
    list(APPEND attr_installed_files "${attr_man_dir}/attrdb.1.gz")
  else()
    message(STATUS "help2man not found: attrdb's manual page is left out "
                   "(scripts/install-deps.sh installs it)")
  endif()
endif()

# Debian's copyright file (machine-readable) and the changelog.
attr_gzip("${attr_packaging}/changelog" changelog)
install(FILES "${attr_packaging}/copyright" "${attr_packaging_out}/changelog.gz"
        DESTINATION "${attr_doc_dir}")
list(APPEND attr_installed_files "${attr_doc_dir}/copyright" "${attr_doc_dir}/changelog.gz")

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
a city, from attrdata.mdb (Jet 4) in the user's data folder; attrdb, its\n\
command-line companion, looks up, lists, imports, exports and checks such\n\
files. Ships a demonstration database, not a real registry.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ATTR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's Chinese text needs a CJK font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The package made, unpacked and its menu entry run under a virtual display
# (not for the sanitizer build, whose programs are not for packaging).
if(ATTR_BUILD_TESTS AND TARGET attrsearch AND TARGET attrdb AND NOT ATTR_SANITIZE)
  add_test(NAME package_deb_menu_entry
    COMMAND bash "${attr_packaging}/package_test.sh" "${CMAKE_BINARY_DIR}"
            "${CMAKE_BINARY_DIR}/package-test" "${CMAKE_CPACK_COMMAND}")
  set_tests_properties(package_deb_menu_entry PROPERTIES
    LABELS "package;gui" SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()

if(ATTR_BUILD_TESTS)
  add_test(NAME install_tree COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${CMAKE_BINARY_DIR}
    "-DEXPECTED=${attr_installed_files}"
    -P "${CMAKE_CURRENT_LIST_DIR}/install_test.cmake")
endif()
