# The Windows package: `cpack` in the build folder makes a ZIP holding
# attrdb.exe, the sample database, a README for Windows users and the
# licence.
# A native build with a Qt kit adds the window (its Qt libraries are for
# windeployqt to gather).
if(TARGET attrsearch)
  install(TARGETS attrsearch RUNTIME DESTINATION .)
endif()
if(TARGET attrdb)
  install(TARGETS attrdb RUNTIME DESTINATION .)
endif()
if(TARGET sample_database)
  install(FILES "${CMAKE_BINARY_DIR}/sample/attrdata.mdb" DESTINATION .)
endif()
install(FILES "${PROJECT_SOURCE_DIR}/packaging/README-windows.txt" DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME attrdb)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_SYSTEM_NAME windows-x86_64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "attrdb: attribution of mainland-China mobile numbers from an Access database")
set(CPACK_STRIP_FILES ON)
include(CPack)
