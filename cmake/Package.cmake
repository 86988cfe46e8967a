# `make package`: a Debian package of the same tree that `cmake --install`
# lays out, for the /usr prefix. Library dependencies come from
# dpkg-shlibdeps over the installed programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tellwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "background helper that reads sensors, fans, traffic and batteries")
set(CPACK_PACKAGE_CONTACT "Tellwick developers <tellwick@tellwick.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The helper serves on the session bus and the stand-ins read from BlueZ;
# browsers and folders are opened through xdg-open.
# libcurl is loaded at run time, so shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "dbus-daemon | dbus-session-bus, libcurl4")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, bluez")
include(CPack)
