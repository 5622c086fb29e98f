# Writes the PNG files of the assets folder into a C++ source as byte arrays,
# so the program carries its pictures and the build needs no image tool.
#   cmake -DASSET_DIR=... -DOUTPUT=... -P embed_pictures.cmake
set(pictures
  MainBackgroundPng main_background.png
  IdleOverlayPng idle_overlay.png
  BusyOverlayPng busy_overlay.png
  HelpBackgroundPng help_background.png)

set(text "// Made by app/embed_pictures.cmake from app/assets/; do not edit.\n")
string(APPEND text "#include \"app/embedded_pictures.h\"\n\nnamespace dropshrink {\n\nnamespace {\n\n")
set(definitions "")
list(LENGTH pictures count)
math(EXPR last "${count} - 1")
foreach(index RANGE 0 ${last} 2)
  math(EXPR file_index "${index} + 1")
  list(GET pictures ${index} name)
  list(GET pictures ${file_index} file)
  file(READ "${ASSET_DIR}/${file}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  # Sixteen bytes a line.
  string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
         "\\1\n    " hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND text "// ${file}\nconst unsigned char ${name}Bytes[${size}] = {\n    ${bytes}\n};\n\n")
  string(APPEND definitions "const EmbeddedBytes ${name} = {${name}Bytes, sizeof ${name}Bytes};\n")
endforeach()
string(APPEND text "}  // namespace\n\n${definitions}\n}  // namespace dropshrink\n")

# Unchanged output keeps its time stamp, so nothing is compiled again.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
