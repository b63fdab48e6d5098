# Every library exports only its own headers, so that including a header of a library a target
# does not link is a compile error rather than a silent include.
#
# marlox_export_headers(<target> <prefix> [PRIVATE <header>...])
#
# Each header among the target's sources is linked into <build>/include/<target>/public/<prefix>/,
# which becomes the target's public include directory: its users write "<prefix>/<header>".
# Headers named after PRIVATE go to <build>/include/<target>/private/<prefix>/ instead, seen only
# by the target's own sources. The lists are kept as target properties for the structure check.
function(marlox_export_headers target prefix)
    cmake_parse_arguments(ARG "" "" "PRIVATE" ${ARGN})
    set(root "${CMAKE_BINARY_DIR}/include/${target}")
    file(REMOVE_RECURSE "${root}")
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(public_headers "")
    set(private_headers "")
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.h$")
            continue()
        endif()
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${source_dir}" NORMALIZE
                   OUTPUT_VARIABLE absolute)
        cmake_path(RELATIVE_PATH absolute BASE_DIRECTORY "${source_dir}" OUTPUT_VARIABLE relative)
        set(visibility public)
        if(relative IN_LIST ARG_PRIVATE)
            set(visibility private)
            list(REMOVE_ITEM ARG_PRIVATE "${relative}")
        endif()
        set(link "${root}/${visibility}/${prefix}/${relative}")
        cmake_path(GET link PARENT_PATH folder)
        file(MAKE_DIRECTORY "${folder}")
        file(CREATE_LINK "${absolute}" "${link}" SYMBOLIC)
        list(APPEND ${visibility}_headers "${prefix}/${relative}=${absolute}")
    endforeach()
    if(ARG_PRIVATE)
        message(FATAL_ERROR "${target}: private headers that are not among its sources: ${ARG_PRIVATE}")
    endif()

    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        if(private_headers)
            message(FATAL_ERROR "${target}: a header-only library has no private headers")
        endif()
        target_include_directories(${target} INTERFACE "${root}/public")
    else()
        target_include_directories(${target} PUBLIC "${root}/public")
        if(private_headers)
            target_include_directories(${target} PRIVATE "${root}/private")
        endif()
    endif()
    set_property(TARGET ${target} PROPERTY MARLOX_PUBLIC_HEADERS "${public_headers}")
    set_property(TARGET ${target} PROPERTY MARLOX_PRIVATE_HEADERS "${private_headers}")
endfunction()
