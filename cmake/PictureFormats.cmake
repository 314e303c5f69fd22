# KOLO_PICTURE_EXTENSIONS: the extensions (without their dot) of the pictures the program
# reads, taken from its one format table, so that what is installed and served follows it.
set(format_table ${CMAKE_SOURCE_DIR}/sources/PictureFile.cpp)
file(STRINGS ${format_table} format_rows REGEX "^ *{\"\\.[a-z]+\", Load")
set(KOLO_PICTURE_EXTENSIONS "")
foreach(row IN LISTS format_rows)
  string(REGEX MATCH "\"\\.([a-z]+)\"" extension "${row}")
  list(APPEND KOLO_PICTURE_EXTENSIONS ${CMAKE_MATCH_1})
endforeach()
if(NOT KOLO_PICTURE_EXTENSIONS)
  message(FATAL_ERROR "No picture format found in ${format_table}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${format_table})
