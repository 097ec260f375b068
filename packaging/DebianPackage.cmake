# The Debian package, made in the build folder by `cpack -G DEB`. Its Depends come from the
# programs' shared libraries (dpkg-shlibdeps). The icon cache, the menu's desktop database,
# the MIME database and the manual page index are refreshed by Debian's own dpkg triggers, so
# the package has no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Ostrel developers <ostrel@korvane.com>" CACHE STRING
    "Maintainer of the Debian package, \"Name <address>\"")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for event cameras and their .raw recordings")
set(CPACK_PACKAGE_DESCRIPTION "\
Ostrel paints the events of an event camera (dynamic vision sensor) into
frames and shows them, live from a camera or played back from an EVT 3.0 or
EVT 2.0 .raw recording, with recording, a timeline, display settings and
sensor biases.

The command-line tool ostrel-raw prints a recording's summary and its events,
and writes recordings of a simulated camera.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.korvane.com/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the SVG image and icon plugins at run time; the style sheets' icons are SVG files.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt5svg5)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
