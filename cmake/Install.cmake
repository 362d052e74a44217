# cmake --install: the library, its header, corvan.pc and a CMake package
# config, so that hosts can use pkg-config or find_package(corvan).
include(CMakePackageConfigHelpers)

install(TARGETS corvan EXPORT corvanTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(CORVAN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/corvan)
install(EXPORT corvanTargets NAMESPACE corvan:: DESTINATION ${CORVAN_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/corvanConfig.cmake.in
  ${PROJECT_BINARY_DIR}/corvanConfig.cmake INSTALL_DESTINATION ${CORVAN_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/corvanConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/corvanConfig.cmake
              ${PROJECT_BINARY_DIR}/corvanConfigVersion.cmake
        DESTINATION ${CORVAN_CMAKE_DIR})

file(RELATIVE_PATH CORVAN_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/corvan.pc.in ${PROJECT_BINARY_DIR}/corvan.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvan.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
