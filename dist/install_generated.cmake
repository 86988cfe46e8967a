# Runs at install time: the files that name the installed helper by its full
# path are written for the prefix being installed to (cmake --install
# --prefix, CPack's staging prefix), not the one configured. The installing
# code sets TELLWICK_DIST_SOURCE, TELLWICK_DIST_STAGE and the relative
# directories before including this.
set(TELLWICK_INSTALLED_HELPER "${CMAKE_INSTALL_PREFIX}/${TELLWICK_BINDIR}/tellwick")

configure_file(${TELLWICK_DIST_SOURCE}/com.quorvane.helper.service.in
               ${TELLWICK_DIST_STAGE}/com.quorvane.helper.service @ONLY)
configure_file(${TELLWICK_DIST_SOURCE}/tellwick.service.in
               ${TELLWICK_DIST_STAGE}/tellwick.service @ONLY)
configure_file(${TELLWICK_DIST_SOURCE}/com.quorvane.helper.starter.desktop.in
               ${TELLWICK_DIST_STAGE}/com.quorvane.helper.starter.desktop @ONLY)

file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${TELLWICK_DATADIR}/dbus-1/services" TYPE FILE
     FILES ${TELLWICK_DIST_STAGE}/com.quorvane.helper.service)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${TELLWICK_SYSTEMD_USER_DIR}" TYPE FILE
     FILES ${TELLWICK_DIST_STAGE}/tellwick.service)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${TELLWICK_DATADIR}/tellwick" TYPE FILE
     FILES ${TELLWICK_DIST_STAGE}/com.quorvane.helper.starter.desktop)
