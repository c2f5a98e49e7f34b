# The Qt viewer: the window and its components in one library, the program
# entry on top of it.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)

add_library(orvantaui STATIC
  src/ui/window/mainform.h src/ui/window/mainform.cpp src/ui/window/mainform.ui src/ui/window/mainsettings.cpp
  src/ui/window/mainfindexport.cpp src/ui/window/mainfeatures.cpp src/ui/window/windowcommands.h src/ui/window/windowcommands.cpp
  src/ui/window/viewoptions.h src/ui/window/viewoptions.cpp src/ui/window/recentfiles.h src/ui/window/recentfiles.cpp
  src/ui/find/gotoobject.h src/ui/find/gotoobject.cpp src/ui/views/outlinebar.h src/ui/views/outlinebar.cpp
  src/ui/views/shownobjects.h src/ui/views/listcolumns.h src/ui/views/listcolumns.cpp src/ui/filter/filterbar.h src/ui/filter/filterbar.cpp src/ui/filter/filterfields.h src/ui/filter/filterfields.cpp
  src/ui/views/objectviews.h src/ui/views/objectviews.cpp src/ui/views/objectbrowser.h src/ui/views/objectbrowser.cpp
  src/ui/views/objecttextview.h src/ui/views/objecttextview.cpp
  src/ui/views/objecthighlighter.h src/ui/views/objecthighlighter.cpp
  src/ui/views/textviewmap.h src/ui/views/textviewmap.cpp
  src/ui/window/encodingmenu.h src/ui/window/encodingmenu.cpp
  src/ui/find/finddialog.h src/ui/find/finddialog.cpp src/ui/find/findnext.h src/ui/find/findnext.cpp
  src/ui/find/findall.h src/ui/find/findall.cpp src/ui/find/findallworker.h src/ui/find/findallworker.cpp
  src/ui/window/fileencodingsworker.h src/ui/window/fileencodingsworker.cpp
  src/ui/window/viewencoding.h src/ui/window/viewencoding.cpp
  src/ui/export/exportobjects.h src/ui/export/exportobjects.cpp
  src/ui/compare/compareview.h src/ui/compare/compareview.cpp src/ui/compare/comparetext.h src/ui/compare/comparetext.cpp
  src/ui/merge/conflictmarks.h src/ui/merge/conflictmarks.cpp src/ui/merge/mergelist.h src/ui/merge/mergelist.cpp
  src/ui/references/referenceindexer.h src/ui/references/referenceindexer.cpp src/ui/references/whereused.h
  src/ui/references/whereused.cpp src/ui/references/referencecommands.h src/ui/references/referencecommands.cpp
  src/ui/merge/mergewindow.h src/ui/merge/mergewindow.cpp src/ui/merge/mergecommand.h src/ui/merge/mergecommand.cpp
  src/ui/find/findflow.h src/ui/find/findflow.cpp src/ui/export/exportflow.h src/ui/export/exportflow.cpp
  src/ui/common/errorbox.h src/ui/common/errorbox.cpp src/ui/common/uiguards.h
  src/ui/common/settingswriter.h src/ui/common/settingswriter.cpp src/ui/common/menuplace.h src/ui/common/menuplace.cpp
  src/ui/window/taborder.h src/ui/window/taborder.cpp
  src/ui/common/filedialogs.h src/ui/common/filedialogs.cpp src/ui/common/systempath.h
  src/ui/window/windowplacement.h src/ui/window/windowplacement.cpp
  src/ui/window/viewfonts.h src/ui/window/viewfonts.cpp src/ui/window/panewidth.h src/ui/window/panewidth.cpp
  src/ui/window/filedrop.h src/ui/window/filedrop.cpp src/ui/window/opendialog.h src/ui/window/opendialog.cpp
  src/ui/common/folderchoice.h src/ui/common/folderchoice.cpp src/ui/common/entryrows.h src/ui/common/entryrows.cpp
  src/ui/window/statusfields.h src/ui/window/statusfields.cpp src/ui/window/findviews.h src/ui/window/findviews.cpp src/ui/window/windowcaption.h src/ui/window/windowcaption.cpp
  src/ui/window/settingslocation.h src/ui/window/settingslocation.cpp
  src/ui/window/navigationhistory.h src/ui/window/navigationhistory.cpp
  src/ui/window/windowsettings.h src/ui/window/windowsettings.cpp src/ui/window/profiletext.h src/ui/window/profiletext.cpp
  src/components/aboutbox.h src/components/aboutbox.cpp
  src/components/brwsfldr.h src/components/brwsfldr.cpp
  src/components/actnpopupctrl.h src/components/actnpopupctrl.cpp
  resources/orvanta.qrc
)
target_include_directories(orvantaui PUBLIC src)
target_link_libraries(orvantaui PUBLIC quibcore Qt6::Widgets)

add_executable(orvanta WIN32 main.cpp)
target_link_libraries(orvanta PRIVATE orvantaui)
install(TARGETS orvanta RUNTIME DESTINATION ${ORVANTA_INSTALL_BINDIR})

# A desktop's menu entry, software-centre data and icon, under one id.
if(UNIX AND NOT APPLE)
  set(ORVANTA_APP_ID io.github.orvanta.orvanta)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/${ORVANTA_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/${ORVANTA_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${ORVANTA_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 32 48)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/orvanta${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${ORVANTA_APP_ID}.png)
  endforeach()
endif()

# Windows: the executable's icon and version resource, which the About box reads.
if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/resources/orvanta.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/orvanta.rc @ONLY)
  target_sources(orvanta PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/orvanta.rc)
  target_link_libraries(quibcore PUBLIC version)
endif()
