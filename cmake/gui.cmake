# The Qt viewer: the window and its components in one library, the program
# entry on top of it.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)

add_library(orvantaui STATIC
  src/mainform.h src/mainform.cpp src/mainform.ui src/mainsettings.cpp
  src/mainactions.cpp src/mainfindexport.cpp
  src/objectviews.h src/objectviews.cpp
  src/objecttextview.h src/objecttextview.cpp
  src/textviewmap.h src/textviewmap.cpp
  src/finddialog.h src/finddialog.cpp src/findnext.h src/findnext.cpp
  src/exportobjects.h src/exportobjects.cpp
  src/errorbox.h src/errorbox.cpp src/uiguards.h
  src/filedialogs.h src/filedialogs.cpp src/systempath.h
  src/windowplacement.h src/windowplacement.cpp
  src/settingslocation.h src/settingslocation.cpp
  src/AboutBox.h src/AboutBox.cpp
  src/brwsfldr.h src/brwsfldr.cpp
  src/ActnPopupCtrl.h src/ActnPopupCtrl.cpp
  resources/orvanta.qrc
)
target_include_directories(orvantaui PUBLIC src)
target_link_libraries(orvantaui PUBLIC quibcore Qt6::Widgets)

add_executable(orvanta WIN32 main.cpp)
target_link_libraries(orvanta PRIVATE orvantaui)
install(TARGETS orvanta RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

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

# Windows: the executable's version resource, which the About box reads.
if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/resources/orvanta.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/orvanta.rc @ONLY)
  target_sources(orvanta PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/orvanta.rc)
  target_link_libraries(quibcore PUBLIC version)
endif()
