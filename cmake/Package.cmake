# `make package`: a Debian package of the same tree that `cmake --install`
# lays out, for the /usr prefix. Library dependencies come from
# dpkg-shlibdeps over the installed programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tellwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "background helper that reads sensors, fans, traffic and batteries")
set(CPACK_PACKAGE_DESCRIPTION "Tellwick is a windowless helper started on demand by the D-Bus session bus.
It reads temperature, voltage and current sensors and fans (hwmon, or the
SMC of an Intel Mac), per-process network traffic and the battery levels of
Bluetooth peripherals on behalf of its clients, and answers each request
through a shared store. tellwickctl asks it from the command line, shows
everything live, and reads the machine's own and its peripherals' batteries.")
# Everything but the install manifest that make uninstall reads.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Tellwick;Unspecified;/")
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
