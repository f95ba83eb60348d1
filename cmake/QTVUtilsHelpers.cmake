# Build helpers shared by the project's folders.

# qtv_add_version_resource(<target> <file name> <description>)
#   Gives a DLL the version resource generated from the project's version, so
#   that GetFileVersionInfoA and Explorer's properties page show it.
function(qtv_add_version_resource target file description)
    set(QTV_VERSION_FILE ${file})
    set(QTV_VERSION_DESCRIPTION ${description})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()

# The MinGW runtime DLLs the library and the programs need at run time: their
# names (QTV_RUNTIME_DLL_NAMES) and where the compiler keeps them
# (QTV_RUNTIME_DLL_PATHS). Empty for other compilers.
set(QTV_RUNTIME_DLL_NAMES)
set(QTV_RUNTIME_DLL_PATHS)
if(MINGW)
    set(QTV_RUNTIME_DLL_NAMES libstdc++-6.dll libwinpthread-1.dll)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        list(APPEND QTV_RUNTIME_DLL_NAMES libgcc_s_seh-1.dll)
    else()
        list(APPEND QTV_RUNTIME_DLL_NAMES libgcc_s_dw2-1.dll)
    endif()
    foreach(dll IN LISTS QTV_RUNTIME_DLL_NAMES)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
            message(FATAL_ERROR "MinGW runtime ${dll} not found by ${CMAKE_CXX_COMPILER}")
        endif()
        get_filename_component(dll_path ${dll_path} REALPATH)
        list(APPEND QTV_RUNTIME_DLL_PATHS ${dll_path})
    endforeach()
endif()

# qtv_copy_runtime_dlls(): a target that copies the runtime DLLs into the
# programs' folder at build time; the library depends on it, so every program
# that links the library finds them beside it.
function(qtv_copy_runtime_dlls)
    if(NOT QTV_RUNTIME_DLL_PATHS OR NOT CMAKE_RUNTIME_OUTPUT_DIRECTORY)
        return()
    endif()
    set(outputs)
    foreach(dll_path IN LISTS QTV_RUNTIME_DLL_PATHS)
        get_filename_component(name ${dll_path} NAME)
        set(out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name})
        add_custom_command(OUTPUT ${out}
                           COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll_path} ${out}
                           DEPENDS ${dll_path}
                           COMMENT "Copying ${name}")
        list(APPEND outputs ${out})
    endforeach()
    add_custom_target(qtv_runtime_dlls DEPENDS ${outputs})
    add_dependencies(QTVUtils qtv_runtime_dlls)
endfunction()
