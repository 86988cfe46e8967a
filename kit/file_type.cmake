# File kinds take their texts from the resource bundle; kept apart from
# tellwick_kit so that the kit itself depends on nothing.
add_library(tellwick_kit_file_type STATIC file_type.cc)
target_link_libraries(tellwick_kit_file_type PUBLIC tellwick_os_resources)

tellwick_unit_test(file_type_test SOURCES file_type_test.cc LIBS tellwick_kit_file_type)
target_compile_definitions(file_type_test PRIVATE TELLWICK_SHARE_DIR="${TELLWICK_BUILD_SHARE_DIR}")
