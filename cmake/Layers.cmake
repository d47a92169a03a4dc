# The layers of the runtime, from the bottom: each may use the ones listed before it, and its
# sources see only those on their include path (CONTRIBUTING.md draws the same list).
#
# vetrel_layer_root(TARGET SCOPE ENTRY...): the target's include root is a directory of links
# to the given folders and files of the source tree, and to nothing else. A header of a layer
# the target may not use is then missing from its include path, and an include of it fails to
# compile.

# The RAII owners: the only part of platform/ that the layers and the client tools see.
set(VETREL_OWNERS
    platform/bstr.h platform/com_ptr.h platform/global_lock.h platform/global_memory.h
    platform/reg_key.h platform/task_mem.h platform/variant.h)
set(VETREL_COMKIT comkit ${VETREL_OWNERS})
set(VETREL_TAGS tags ${VETREL_COMKIT})
set(VETREL_EVENTS events ${VETREL_TAGS})
set(VETREL_GROUP group ${VETREL_TAGS})
set(VETREL_SERVER server events group ${VETREL_TAGS})
set(VETREL_RUNTIME runtime server events group tags comkit platform)

function(vetrel_layer_root target scope)
    set(root ${CMAKE_BINARY_DIR}/include_roots/${target})
    # Made afresh, so that an entry dropped from the list goes too.
    file(REMOVE_RECURSE ${root})
    foreach(entry IN LISTS ARGN)
        get_filename_component(parent ${root}/${entry} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${entry} ${root}/${entry} SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${root}>)
endfunction()

# vetrel_add_layer(TARGET ROOT entry... LINKS target... SOURCES file...): one layer as a static
# library. Its symbols stay hidden in whatever links it: the runtime library exports only the
# host API.
function(vetrel_add_layer target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ROOT;LINKS;SOURCES")
    add_library(${target} STATIC ${arg_SOURCES})
    vetrel_layer_root(${target} PUBLIC ${arg_ROOT})
    target_link_libraries(${target} PUBLIC ${arg_LINKS} PRIVATE vetrel_warnings)
    set_target_properties(${target} PROPERTIES
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()
