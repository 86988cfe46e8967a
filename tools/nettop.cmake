# nettop: the Linux stand-in for the per-process traffic tool the sampler runs.
add_library(tellwick_nettop STATIC nettop_sample.cc)
target_link_libraries(tellwick_nettop PUBLIC tellwick_platform)

add_executable(nettop nettop.cc)
target_link_libraries(nettop PRIVATE tellwick_nettop)
install(TARGETS nettop RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/tellwick)

tellwick_unit_test(nettop_sample_test SOURCES nettop_sample_test.cc LIBS tellwick_nettop)
