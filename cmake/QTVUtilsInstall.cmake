# Install rules and the package: the DLLs and the compiler's runtime DLLs in
# bin/, the import library in lib/, the public headers in include/qtvutils/,
# and the package configuration in lib/cmake/QTVUtils/. Tests, benchmarks and
# the demo are never installed.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QTV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QTVUtils)

install(TARGETS QTVUtils QTVEHook EXPORT QTVUtilsTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        # The hook module is a module library: it goes beside the DLL.
        LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qtvutils DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(QTV_RUNTIME_DLL_PATHS)
    install(FILES ${QTV_RUNTIME_DLL_PATHS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT QTVUtilsTargets NAMESPACE QTVUtils:: DESTINATION ${QTV_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QTVUtilsConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/QTVUtilsConfig.cmake
                              INSTALL_DESTINATION ${QTV_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QTVUtilsConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QTVUtilsConfig.cmake ${PROJECT_BINARY_DIR}/QTVUtilsConfigVersion.cmake
        DESTINATION ${QTV_CMAKE_DIR})

if(PROJECT_IS_TOP_LEVEL)
    # cpack -G ZIP (scripts/package): QTVUtils-<version>-win64.zip of the tree above.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_SYSTEM_NAME win64)
    else()
        set(CPACK_SYSTEM_NAME win32)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
    set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
    include(CPack)
endif()
