# Installs the public headers, the libraries and a package config, so that a host does
# find_package(Vetrel) and links Vetrel::vetrel.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(DIRECTORY include/vetrel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS vetrel vetrel_com EXPORT VetrelTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT VetrelTargets NAMESPACE Vetrel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vetrel)

configure_package_config_file(cmake/VetrelConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/VetrelConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vetrel)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VetrelConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
    ${CMAKE_CURRENT_BINARY_DIR}/VetrelConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/VetrelConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vetrel)
