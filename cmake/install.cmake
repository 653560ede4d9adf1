include(CMakePackageConfigHelpers)

install(TARGETS oxwUtl EXPORT oxwUtlTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/ox.h include/oxw.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/oxwutl)
install(FILES LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(EXPORT oxwUtlTargets NAMESPACE oxwUtl:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/oxwUtl)

configure_package_config_file(cmake/oxwUtlConfig.cmake.in
  ${PROJECT_BINARY_DIR}/oxwUtlConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/oxwUtl)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/oxwUtlConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/oxwUtlConfig.cmake ${PROJECT_BINARY_DIR}/oxwUtlConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/oxwUtlFileVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/oxwUtl)

# Path from <libdir>/pkgconfig back to the prefix. A static liboxwUtl.a also needs its libraries and the C++
# runtime (named as libraries, so that a shared library's users need no FreeType or fontconfig files).
set(OXWUTL_PC_PRIVATE_LIBS "-lfontconfig -lfreetype -lsndfile -lasound -lstdc++ -lm -lpthread")
file(RELATIVE_PATH OXWUTL_PC_UP "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(cmake/oxwutl.pc.in ${PROJECT_BINARY_DIR}/oxwutl.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/oxwutl.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
