# Compiler and linker settings every target of the WebAssembly build needs.

# The core throws and catches (InternetError, bad_alloc); exceptions are off unless asked.
add_compile_options(-fexceptions)
# memcpy and memset as single instructions: the decoders copy strings and rows byte-wise
# otherwise, at twice the native time.
add_compile_options(-mbulk-memory)
add_link_options(-fexceptions -sALLOW_MEMORY_GROWTH=1)
# The unit tests run under Node and read and write the machine's own files.
set(KOLO_TEST_LINK_OPTIONS -sNODERAWFS=1 -sENVIRONMENT=node)
# FreeType is built on the same zlib as libpng; every program that draws text needs it.
link_libraries(${ZLIB_LIBRARY})
