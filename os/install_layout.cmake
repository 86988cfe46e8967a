# Where an installation keeps its own tools, relative to the running executable.
target_sources(tellwick_os PRIVATE ${CMAKE_CURRENT_LIST_DIR}/install_layout.cc)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/install_layout.cc PROPERTIES
  COMPILE_DEFINITIONS "TELLWICK_TOOL_SUBDIRECTORY=\"${CMAKE_INSTALL_LIBEXECDIR}/tellwick\"")

tellwick_unit_test(install_layout_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_layout_test.cc
  LIBS tellwick_os)
