# Runs last at install time: share/tellwick/install-manifest.txt lists every
# path installed, and itself, without DESTDIR, for `make uninstall`
# (scripts/uninstall). Written into the installation, not the build tree, so
# that any number of installs from one build each keep their own. The
# installing code sets TELLWICK_DATADIR before including this.
set(_manifest "${CMAKE_INSTALL_PREFIX}/${TELLWICK_DATADIR}/tellwick/install-manifest.txt")
string(LENGTH "$ENV{DESTDIR}" _skip)
set(_lines "")
foreach(_file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
  string(FIND "${_file}" "$ENV{DESTDIR}" _at)
  if(_skip GREATER 0 AND _at EQUAL 0)
    string(SUBSTRING "${_file}" ${_skip} -1 _file)
  endif()
  string(APPEND _lines "${_file}\n")
endforeach()
file(WRITE "$ENV{DESTDIR}${_manifest}" "${_lines}${_manifest}\n")
