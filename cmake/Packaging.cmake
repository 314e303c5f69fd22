# The Debian package: scripts/package configures a build for /usr and runs cpack in it.
# Dependencies come from the shared libraries the program links (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kolo developers")
set(CPACK_PACKAGE_CONTACT "The Kolo developers <kolo@kolobook.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "colouring book for children")
# Wrapped by hand: the package's description lines stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION [=[
A child picks one of 132 colours, clicks inside an area of a line drawing
and the whole area takes the colour. Every fill can be undone and redone,
arrows browse the pictures of a folder on this computer or on a web server,
and a button prints the coloured picture. Eight sample pictures come with
the program.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://kolobook.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
