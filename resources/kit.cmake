# The utility kit's string table, shipped beside the other tables.
set(_tellwick_kit_strings Localizable/kit.strings)
add_custom_command(
  OUTPUT ${TELLWICK_BUILD_SHARE_DIR}/${_tellwick_kit_strings}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${CMAKE_CURRENT_SOURCE_DIR}/${_tellwick_kit_strings} ${TELLWICK_BUILD_SHARE_DIR}/${_tellwick_kit_strings}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${_tellwick_kit_strings}
  COMMENT "Copying resource ${_tellwick_kit_strings}"
  VERBATIM)
add_custom_target(tellwick_kit_resources DEPENDS ${TELLWICK_BUILD_SHARE_DIR}/${_tellwick_kit_strings})
add_dependencies(tellwick_resources tellwick_kit_resources)
install(FILES ${_tellwick_kit_strings} DESTINATION ${CMAKE_INSTALL_DATADIR}/tellwick/Localizable)
