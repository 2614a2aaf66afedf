# `make package`: a Debian package of the installed layout under /usr. Its dependencies are
# worked out by dpkg-shlibdeps from the libraries the executables and the engine link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mavo-converter)
set(CPACK_PACKAGE_VENDOR "Mavo Video Converter developers")
set(CPACK_PACKAGE_CONTACT "${MAVO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video converter for portable players")
# Lines of the long description stay within 80 characters with the space before each.
set(CPACK_PACKAGE_DESCRIPTION
    "Mavo Video Converter turns video clips (MPEG, AVI, WMV, ASF, DivX, Xvid,
SWF, MOV, VOB, MP4, 3GP, 3G2) into files for portable players: 3GP phones,
PSP, iPod, PDA and MP4 players. Add clips, look at their thumbnails, trim
them while previewing, pick a device profile and convert the whole list in
one run.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program's own libraries lie in its folder; dpkg-shlibdeps finds them in the build's copy.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${MAVO_BIN_DIR})
# Loaded at run time rather than linked: Qt's X11 platform plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# CPack calls ldconfig from the maintainer scripts for any shared object below /usr/lib. Ours are
# private to the program folder and found through the programs' own run path, so the package is
# made again without those scripts.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DropLdconfig.cmake)
include(CPack)
