# The Windows packages, made by `cpack` in the build folder:
#   cpack -G ZIP    the portable ZIP: attrdb.exe (and attrsearch.exe when the
#                   window is built), the sample database, a README for
#                   Windows users and the licence;
#   cpack -G NSIS   an installer of the same files into Program Files, with a
#                   Start-menu shortcut that starts the window in the user's
#                   data folder and an uninstaller that leaves that folder.
# A native build with a Qt kit adds the Qt window (its Qt libraries are for
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
set(CPACK_PACKAGE_VENDOR attrtool)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_SYSTEM_NAME windows-x86_64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "attrdb: attribution of mainland-China mobile numbers from an Access database")
set(CPACK_STRIP_FILES ON)
# The NSIS commands below go to makensis as written, backslashes and all.
set(CPACK_VERBATIM_VARIABLES ON)
# The installer's own file name (attrtool-<version>-windows-x86_64-setup.exe).
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/AttrCPackOptions.cmake")

# The installer: 64-bit and Unicode (the Chinese shortcut name; a 32-bit
# installer would also see the 32-bit Program Files and registry), into
# Program Files\attrtool, registered in Add/Remove Programs as "attrtool",
# its shortcuts in the Start menu's folder attrtool.
# Debian's makensis (package nsis) makes it on Linux.
set(CPACK_PACKAGE_INSTALL_DIRECTORY attrtool)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY attrtool)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DEFINES [=[
  Target amd64-unicode
  !define MUI_STARTMENUPAGE_DEFAULTFOLDER "attrtool"
]=])
set(CPACK_NSIS_PACKAGE_NAME "attrtool ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "attrtool (Tarvel手机归属地查询, attrdb)")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/app/resources/attrsearch.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/app/resources/attrsearch.ico")
# Add/Remove Programs shows the window's icon, else the uninstaller's.
set(CPACK_NSIS_INSTALLED_ICON_NAME Uninstall.exe)
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  WriteRegStr SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\attrtool" \
    "InstallLocation" "$INSTDIR"
]=])
if(TARGET attrsearch)
  # The window's shortcut, named as the window's title begins (a shortcut's
  # name can hold no ":" or "/"), starts it in the user's data folder
  # (ui::kUserDataSwitch, ui/user_data_folder.h).
  set(CPACK_NSIS_INSTALLED_ICON_NAME attrsearch.exe)
  set(CPACK_NSIS_CREATE_ICONS_EXTRA [=[
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Tarvel手机归属地查询.lnk" \
    "$INSTDIR\attrsearch.exe" "--user-data"
]=])
  set(CPACK_NSIS_DELETE_ICONS_EXTRA [=[
  Delete "$SMPROGRAMS\$MUI_TEMP\Tarvel手机归属地查询.lnk"
]=])
endif()
include(CPack)
