# Runs at install time: the files that name the installed helper by its full
# path are written for the prefix being installed to (cmake --install
# --prefix, CPack's), not the one configured, and each writes that path by its
# own format's rules, so a prefix with blanks, quotes, '%' or non-ASCII
# letters starts the same helper. The installing code sets
# TELLWICK_DIST_SOURCE, TELLWICK_BINDIR, TELLWICK_DATADIR,
# TELLWICK_SYSTEM_UNIT_DIR and TELLWICK_NAME_kHelperBusName before including
# this.

# A word that every one of the formats below takes as it is, once '%' is
# doubled where it must be.
set(_plain "^[A-Za-z0-9/._+%-]+$")

# The bus splits Exec= as a shell would, after reading the key file's
# backslash escapes.
function(tellwick_bus_exec out path)
  set(word "${path}")
  if(NOT word MATCHES "${_plain}")
    string(REPLACE "'" "'\\''" word "${word}")
    set(word "'${word}'")
  endif()
  string(REPLACE "\\" "\\\\" word "${word}")
  set(${out} "${word}" PARENT_SCOPE)
endfunction()

# systemd expands '%' specifiers, then splits on blanks outside quotes and
# reads C escapes; in arguments "$$" is a dollar sign. It refuses to run a
# program whose path holds a quote or a backslash, so such a path is handed
# to the shell as an argument instead.
function(tellwick_unit_exec out path)
  string(REPLACE "%" "%%" word "${path}")
  if(word MATCHES "${_plain}")
    set(${out} "${word}" PARENT_SCOPE)
    return()
  endif()
  string(REPLACE "\\" "\\\\" word "${word}")
  string(REPLACE "\"" "\\\"" word "${word}")
  if(NOT path MATCHES "[\"'\\\\]")
    set(${out} "\"${word}\"" PARENT_SCOPE)
    return()
  endif()
  string(REPLACE "$" "$$" word "${word}")
  set(${out} "/bin/sh -c \"exec \\\"$$0\\\"\" \"${word}\"" PARENT_SCOPE)
endfunction()

# A desktop entry's Exec: '%' starts a field code; an argument holding a
# reserved character is double-quoted with " ` $ \ escaped inside; then the
# key file's own escapes.
function(tellwick_desktop_exec out path)
  string(REPLACE "%" "%%" word "${path}")
  if(NOT word MATCHES "${_plain}")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" word "${word}")
    set(word "\"${word}\"")
  endif()
  string(REPLACE "\\" "\\\\" word "${word}")
  set(${out} "${word}" PARENT_SCOPE)
endfunction()

string(REGEX REPLACE "(.)/+$" "\\1" _prefix "${CMAKE_INSTALL_PREFIX}")
set(_helper "${_prefix}/${TELLWICK_BINDIR}/tellwick")
if(_helper MATCHES "[\n\r]")
  message(FATAL_ERROR "An installed file cannot name a helper whose path has a line break: ${_helper}")
endif()
tellwick_bus_exec(TELLWICK_BUS_EXEC "${_helper}")
tellwick_unit_exec(TELLWICK_UNIT_EXEC "${_helper}")
tellwick_desktop_exec(TELLWICK_DESKTOP_EXEC "${_helper}")

# The user unit goes where the systemd user manager looks for this prefix:
# the system's unit folder for /usr and /usr/local, else
# PREFIX/share/systemd/user, which is on the path when PREFIX/share is
# XDG_DATA_HOME (~/.local) or one of XDG_DATA_DIRS.
if(_prefix STREQUAL "/usr" OR _prefix STREQUAL "/usr/local")
  set(_unit_dir "${TELLWICK_SYSTEM_UNIT_DIR}")
else()
  set(_unit_dir "${TELLWICK_DATADIR}/systemd/user")
endif()

# Staged outside the build tree: an install run as root must leave nothing
# of root's in the user's build folder.
string(RANDOM LENGTH 12 _token)
set(_stage "/tmp/tellwick-install-${_token}")
configure_file(${TELLWICK_DIST_SOURCE}/bus.service.in ${_stage}/${TELLWICK_NAME_kHelperBusName}.service @ONLY)
configure_file(${TELLWICK_DIST_SOURCE}/tellwick.service.in ${_stage}/tellwick.service @ONLY)
configure_file(${TELLWICK_DIST_SOURCE}/starter.desktop.in
               ${_stage}/${TELLWICK_NAME_kHelperBusName}.starter.desktop @ONLY)

file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${TELLWICK_DATADIR}/dbus-1/services" TYPE FILE
     FILES ${_stage}/${TELLWICK_NAME_kHelperBusName}.service)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${_unit_dir}" TYPE FILE FILES ${_stage}/tellwick.service)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${TELLWICK_DATADIR}/tellwick" TYPE FILE
     FILES ${_stage}/${TELLWICK_NAME_kHelperBusName}.starter.desktop)
file(REMOVE_RECURSE ${_stage})
