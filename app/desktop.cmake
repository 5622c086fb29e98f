# The desktop program, Win32 only: the window layer, the two windows and the
# drop handling as a library the tests link, and DropShrink.exe around it.

enable_language(RC)

set(asset_dir ${CMAKE_CURRENT_SOURCE_DIR}/assets)
set(embedded_pictures ${CMAKE_CURRENT_BINARY_DIR}/embedded_pictures.cpp)
add_custom_command(
  OUTPUT ${embedded_pictures}
  COMMAND ${CMAKE_COMMAND} -DASSET_DIR=${asset_dir} -DOUTPUT=${embedded_pictures}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/embed_pictures.cmake
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/embed_pictures.cmake
          ${asset_dir}/main_background.png ${asset_dir}/idle_overlay.png
          ${asset_dir}/busy_overlay.png ${asset_dir}/help_background.png
  COMMENT "Embedding the pictures of app/assets"
  VERBATIM)

add_library(dropshrink_app STATIC
  window_layer.cpp
  drop_target.cpp
  drop_handling.cpp
  main_window.cpp
  help_window.cpp
  skin_objects.cpp
  ${embedded_pictures})
target_include_directories(dropshrink_app PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(dropshrink_app PUBLIC
  dropshrink_skin dropshrink_batch ole32 oleaut32 shell32 uuid comctl32 gdiplus gdi32 user32)

add_executable(DropShrink WIN32 main.cpp dropshrink.rc)
# windres looks for the icon named in the .rc file in the include folders.
target_include_directories(DropShrink PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(DropShrink PRIVATE dropshrink_app)
set_target_properties(DropShrink PROPERTIES OUTPUT_NAME DropShrink)
