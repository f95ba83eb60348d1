# qtv_add_resource_module(<target> <file.rc>)
#   A resource-only DLL <target>.dll: the resources of one .rc file, no code,
#   no entry point and no imports. The .rc files may include
#   resource_images.rh, which writes images as raw resource data.
include_guard(GLOBAL)

function(qtv_add_resource_module target rc)
    add_library(${target} MODULE ${rc})
    set_target_properties(${target} PROPERTIES PREFIX "" LINKER_LANGUAGE C)
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
    target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0)
endfunction()
