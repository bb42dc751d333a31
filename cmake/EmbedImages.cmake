# Writes a C++ source that holds the given PNG files as byte arrays, with a lookup by
# resource id and pixel size. Each entry reads "RESOURCE:PIXELS:FILE" (FILE under res/).
function(lumvik_embed_images output)
  set(arrays "")
  set(cases "")
  set(index 0)
  foreach(entry IN LISTS ARGN)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 resource)
    list(GET parts 1 pixels)
    list(GET parts 2 file)
    set(path "${CMAKE_SOURCE_DIR}/res/${file}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
    file(READ "${path}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "const unsigned char kImage${index}[] = {${bytes}};\n")
    string(APPEND cases
      "  if (resource == ${resource} && pixels == ${pixels}) return {kImage${index}, sizeof kImage${index}};\n")
    math(EXPR index "${index} + 1")
  endforeach()
  file(WRITE "${output}.new"
    "// Generated from the PNG files in res/; do not edit.\n"
    "#include \"res/embedded_images.h\"\n\nnamespace {\n${arrays}}  // namespace\n\n"
    "EmbeddedImage FindEmbeddedImage(int resource, int pixels) {\n${cases}  return {nullptr, 0};\n}\n")
  file(COPY_FILE "${output}.new" "${output}" ONLY_IF_DIFFERENT)
endfunction()
