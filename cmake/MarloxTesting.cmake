find_package(GTest REQUIRED)
include(GoogleTest)

# marlox_add_test(<name> LABEL <folder> SOURCES ... LIBRARIES ... [WIDGETS])
# Each test binary runs with a scratch home (see tests/support) and is labelled with its folder,
# so `ctest -L catalog` runs one subsystem. Its data, goldens included, is the data folder beside
# the CMakeLists.txt that adds it.
function(marlox_add_test name)
    cmake_parse_arguments(ARG "WIDGETS" "LABEL" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_WIDGETS)
        target_link_libraries(${name} PRIVATE marlox_test_main_widgets)
    else()
        target_link_libraries(${name} PRIVATE marlox_test_main)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES})
    target_compile_definitions(${name} PRIVATE
        MARLOX_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
    add_dependencies(${name} marlox_bundle_resources)
    set_property(GLOBAL APPEND PROPERTY MARLOX_TEST_LABELS ${ARG_LABEL})
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS ${ARG_LABEL}
                   TIMEOUT 120)
endfunction()
