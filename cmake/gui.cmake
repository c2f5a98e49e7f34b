# The Qt viewer: the window and its components in one library, the program
# entry on top of it.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)

add_library(orvantaui STATIC
  src/ui/mainform.h src/ui/mainform.cpp src/ui/mainform.ui src/ui/mainsettings.cpp
  src/ui/mainfindexport.cpp src/ui/mainfeatures.cpp src/ui/windowcommands.h src/ui/windowcommands.cpp
  src/ui/viewoptions.h src/ui/viewoptions.cpp src/ui/recentfiles.h src/ui/recentfiles.cpp
  src/ui/gotoobject.h src/ui/gotoobject.cpp src/ui/outlinebar.h src/ui/outlinebar.cpp
  src/ui/shownobjects.h src/ui/listcolumns.h src/ui/listcolumns.cpp src/ui/filterbar.h src/ui/filterbar.cpp src/ui/filterfields.h src/ui/filterfields.cpp
  src/ui/objectviews.h src/ui/objectviews.cpp
  src/ui/objecttextview.h src/ui/objecttextview.cpp
  src/ui/objecthighlighter.h src/ui/objecthighlighter.cpp
  src/ui/textviewmap.h src/ui/textviewmap.cpp
  src/ui/encodingmenu.h src/ui/encodingmenu.cpp
  src/ui/finddialog.h src/ui/finddialog.cpp src/ui/findnext.h src/ui/findnext.cpp
  src/ui/findall.h src/ui/findall.cpp src/ui/findallworker.h src/ui/findallworker.cpp
  src/ui/fileencodingsworker.h src/ui/fileencodingsworker.cpp
  src/ui/exportobjects.h src/ui/exportobjects.cpp
  src/ui/compareview.h src/ui/compareview.cpp src/ui/comparetext.h src/ui/comparetext.cpp
  src/ui/findflow.h src/ui/findflow.cpp src/ui/exportflow.h src/ui/exportflow.cpp
  src/ui/errorbox.h src/ui/errorbox.cpp src/ui/uiguards.h
  src/ui/taborder.h src/ui/taborder.cpp
  src/ui/filedialogs.h src/ui/filedialogs.cpp src/ui/systempath.h
  src/ui/windowplacement.h src/ui/windowplacement.cpp
  src/ui/settingslocation.h src/ui/settingslocation.cpp
  src/ui/windowsettings.h src/ui/windowsettings.cpp src/ui/profiletext.h src/ui/profiletext.cpp
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
