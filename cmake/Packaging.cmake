# The Debian package: `cpack -G DEB` in the build folder makes scorvane_<version>_amd64.deb with
# both programs, the menu entry and the icon. Its dependencies on Debian's Qt runtime packages
# are read from the programs by dpkg-shlibdeps.
if(WIN32)
    return() # the Windows build makes a zip instead (scripts/build-windows.sh)
endif()
set(CPACK_PACKAGE_NAME scorvane)
set(CPACK_PACKAGE_VENDOR Zelkora)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Collects the highscores of Windows CE handheld games and publishes them")
set(CPACK_PACKAGE_DESCRIPTION
    "Scorvane reads the highscore tables that games left on a Pocket PC or Smartphone,\n\
shows them as a tree of check boxes and publishes the checked entries to the community\n\
highscore sites. A desktop program and a command-line front end.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Scorvane developers <scorvane@zelkora.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
