# The installer, made beside the zip where Debian's nsis (makensis) is at hand:
# Orvanta in a folder of its own, a Start-menu entry, an uninstaller, and
# "Open with Orvanta" on the context menu of .txt files (and orvanta.exe in
# their Open with list). Included by CMakeLists.txt before CPack.
find_program(ORVANTA_MAKENSIS makensis)
if(NOT ORVANTA_MAKENSIS)
  return()
endif()
list(APPEND CPACK_GENERATOR NSIS)
set(CPACK_NSIS_EXECUTABLE ${ORVANTA_MAKENSIS})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Orvanta)
set(CPACK_NSIS_PACKAGE_NAME Orvanta)
set(CPACK_NSIS_DISPLAY_NAME Orvanta)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_PACKAGE_EXECUTABLES orvanta Orvanta)
set(CPACK_NSIS_INSTALLED_ICON_NAME orvanta.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/icons/orvanta.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/icons/orvanta.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# SHCTX: the machine's classes for an install for all users, else the user's.
set(classes "Software\\Classes")
set(verb "${classes}\\SystemFileAssociations\\.txt\\shell\\Orvanta")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
  "WriteRegStr SHCTX '${verb}' '' 'Open with Orvanta'"
  "WriteRegStr SHCTX '${verb}' 'Icon' '$INSTDIR\\orvanta.exe'"
  "WriteRegStr SHCTX '${verb}\\command' '' '\"$INSTDIR\\orvanta.exe\" \"%1\"'"
  "WriteRegStr SHCTX '${classes}\\Applications\\orvanta.exe' 'FriendlyAppName' 'Orvanta'"
  "WriteRegStr SHCTX '${classes}\\Applications\\orvanta.exe\\SupportedTypes' '.txt' ''"
  "WriteRegStr SHCTX '${classes}\\Applications\\orvanta.exe\\shell\\open\\command' '' '\"$INSTDIR\\orvanta.exe\" \"%1\"'"
  "WriteRegStr SHCTX '${classes}\\.txt\\OpenWithList\\orvanta.exe' '' ''")
list(JOIN CPACK_NSIS_EXTRA_INSTALL_COMMANDS "\n" CPACK_NSIS_EXTRA_INSTALL_COMMANDS)
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
  "DeleteRegKey SHCTX '${verb}'"
  "DeleteRegKey SHCTX '${classes}\\Applications\\orvanta.exe'"
  "DeleteRegKey SHCTX '${classes}\\.txt\\OpenWithList\\orvanta.exe'")
list(JOIN CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "\n" CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS)
