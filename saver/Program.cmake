# Glintbox.scr: the screensaver program. The uninstaller is built first and
# carried inside as resource UNINSTALL/140.
set(uninstaller_exe ${CMAKE_BINARY_DIR}/bin/uninst_saver.exe)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/Uninstaller.rc "140 UNINSTALL \"${uninstaller_exe}\"\n")
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/Uninstaller.rc PROPERTIES OBJECT_DEPENDS ${uninstaller_exe})

# Everything but the application object, so that Win32 tests can link it.
add_library(glint_saver STATIC
  SaverApp.cpp
  DataFile.cpp
  ImageButton.cpp
  Password.cpp
  SaverWnd.cpp
  ShockwaveFlash.cpp
  SettingsDlg.cpp
  SettingsStore.cpp
  StillPicture.cpp
  Uninstall.cpp)
target_link_libraries(glint_saver PUBLIC glint_saver_core glint_framework glint_flash_host glint_image_gdi glint_folder_tree glint_skin_runtime winmm wininet version)

add_executable(Glintbox WIN32
  Main.cpp
  ${CMAKE_SOURCE_DIR}/resources/Glintbox.rc
  ${CMAKE_CURRENT_BINARY_DIR}/Uninstaller.rc)
set_target_properties(Glintbox PROPERTIES SUFFIX ".scr" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_include_directories(Glintbox PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(Glintbox PRIVATE glint_saver glint_program)
add_dependencies(Glintbox uninstaller)
glint_use_art(Glintbox ${CMAKE_SOURCE_DIR}/resources/Glintbox.rc)

# The default skin, compiled at build time, carried as resource DEFAULT_SKIN of type GLAZE_WORK.
include(${CMAKE_SOURCE_DIR}/resources/skin/DefaultSkin.cmake)
glint_default_skin(default_skin)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/DefaultSkin.rc "DEFAULT_SKIN GLAZE_WORK \"${default_skin}\"\n")
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/DefaultSkin.rc PROPERTIES OBJECT_DEPENDS ${default_skin})
target_sources(Glintbox PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/DefaultSkin.rc)
add_dependencies(Glintbox glint_default_skin)
