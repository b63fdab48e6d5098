# Info.plist of the bundle; the distribution keys appear only when given at configure time.
set(MARLOX_OPTIONAL_PLIST_KEYS "")
if(MARLOX_REMOTE_CATALOG_URL)
    string(APPEND MARLOX_OPTIONAL_PLIST_KEYS
           "\t<key>MarloxRemoteCatalogURL</key>\n\t<string>${MARLOX_REMOTE_CATALOG_URL}</string>\n")
endif()
if(MARLOX_APPCAST_FEED_URL)
    string(APPEND MARLOX_OPTIONAL_PLIST_KEYS
           "\t<key>MarloxAppcastFeedURL</key>\n\t<string>${MARLOX_APPCAST_FEED_URL}</string>\n")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/Info.plist.in" "${MARLOX_BUNDLE_DIR}/Contents/Info.plist" @ONLY)

# Everything under resources/ is copied into Contents/Resources, and the Manrope font files into
# Contents/Resources/Fonts, so the bundle is complete without the source tree.
file(GLOB_RECURSE MARLOX_RESOURCE_FILES CONFIGURE_DEPENDS
     RELATIVE "${PROJECT_SOURCE_DIR}/resources" "${PROJECT_SOURCE_DIR}/resources/*")
set(MARLOX_BUNDLED_RESOURCES "")
foreach(relative IN LISTS MARLOX_RESOURCE_FILES)
    set(target "${MARLOX_BUNDLE_RESOURCES_DIR}/${relative}")
    add_custom_command(OUTPUT "${target}"
        COMMAND ${CMAKE_COMMAND} -E copy "${PROJECT_SOURCE_DIR}/resources/${relative}" "${target}"
        DEPENDS "${PROJECT_SOURCE_DIR}/resources/${relative}" VERBATIM)
    list(APPEND MARLOX_BUNDLED_RESOURCES "${target}")
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/MarloxFonts.cmake")
marlox_find_manrope_font_files(MARLOX_FONT_FILES)
foreach(font IN LISTS MARLOX_FONT_FILES)
    get_filename_component(name "${font}" NAME)
    set(target "${MARLOX_BUNDLE_RESOURCES_DIR}/Fonts/${name}")
    add_custom_command(OUTPUT "${target}"
        COMMAND ${CMAKE_COMMAND} -E copy "${font}" "${target}" DEPENDS "${font}" VERBATIM)
    list(APPEND MARLOX_BUNDLED_RESOURCES "${target}")
endforeach()
# The payloads of the built-in catalog are generated, not kept in the source tree.
set(MARLOX_PAYLOADS_STAMP "${CMAKE_BINARY_DIR}/payloads.stamp")
file(GLOB MARLOX_THUMBNAIL_FILES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/Thumbnails/*")
add_custom_command(OUTPUT "${MARLOX_PAYLOADS_STAMP}"
    COMMAND ${CMAKE_COMMAND} "-DRESOURCES=${MARLOX_BUNDLE_RESOURCES_DIR}"
            "-DTHUMBNAILS=${PROJECT_SOURCE_DIR}/resources/Thumbnails"
            "-DWORK=${CMAKE_BINARY_DIR}/payloads-work"
            -P "${CMAKE_CURRENT_LIST_DIR}/MarloxPayloads.cmake"
    COMMAND ${CMAKE_COMMAND} -E touch "${MARLOX_PAYLOADS_STAMP}"
    DEPENDS "${CMAKE_CURRENT_LIST_DIR}/MarloxPayloads.cmake" ${MARLOX_THUMBNAIL_FILES}
    COMMENT "Generating the payloads of the built-in catalog" VERBATIM)
list(APPEND MARLOX_BUNDLED_RESOURCES "${MARLOX_PAYLOADS_STAMP}")
add_custom_target(marlox_bundle_resources ALL DEPENDS ${MARLOX_BUNDLED_RESOURCES})

# Helper executables placed next to the application inside Contents/MacOS.
function(marlox_bundle_executable target)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${MARLOX_BUNDLE_MACOS_DIR}")
endfunction()
