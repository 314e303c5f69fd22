# Writes the icon's BMP file as a C++ byte array for app/AppIcon.h.
# Run as: cmake -DINPUT=icon_32.bmp -DOUTPUT=AppIcon.cpp -P EmbedIcon.cmake
file(READ "${INPUT}" hex HEX)
file(SIZE "${INPUT}" size)
string(REPEAT "[0-9a-f]" 64 line)
string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from resources/bitmaps/icon_32.bmp by app/EmbedIcon.cmake; do not edit.\n"
  "#include \"app/AppIcon.h\"\n\nnamespace kolo {\n\n"
  "const std::uint8_t kAppIcon32[] = {\n${bytes}\n};\n"
  "const std::size_t kAppIcon32Size = ${size};\n\n}  // namespace kolo\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
