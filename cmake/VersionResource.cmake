# vetrel_add_version_resource(TARGET PRODUCT name DESCRIPTION text): a VERSIONINFO resource in
# the target's Windows binary, so that Explorer, installers and support can tell which release a
# file belongs to. The version is the project's; nothing to do on other targets.
set(VETREL_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(vetrel_add_version_resource target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "PRODUCT;DESCRIPTION" "")
    if(NOT WIN32)
        return()
    endif()
    if(NOT arg_PRODUCT OR NOT arg_DESCRIPTION)
        message(FATAL_ERROR "vetrel_add_version_resource(${target}) needs PRODUCT and DESCRIPTION")
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(file_type VFT_DLL)
    else()
        set(file_type VFT_APP)
    endif()
    # The template's @names@ now, the target's file name ($<...>) once it is known.
    file(READ ${VETREL_VERSION_RC_TEMPLATE} template)
    string(CONFIGURE "${template}" configured @ONLY)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    file(GENERATE OUTPUT ${rc} CONTENT "${configured}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VETREL_VERSION_RC_TEMPLATE})
    target_sources(${target} PRIVATE ${rc})
endfunction()
