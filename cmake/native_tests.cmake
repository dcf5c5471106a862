# The units' own GoogleTest files, built natively under the sanitizers: one CTest entry each,
# named native_*, with GoogleTest's main (no COM or error-mode set-up is needed here).
find_package(GTest REQUIRED)

function(native_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;ARGS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${root}/tests)
    target_link_libraries(${name} PRIVATE GTest::gtest_main ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()

# The stream tests drive the exports, which are the DLL's.
file(GLOB dsp_tests CONFIGURE_DEPENDS ${root}/tests/unit/dsp_*.cpp)
list(REMOVE_ITEM dsp_tests ${root}/tests/unit/dsp_fast_stream_test.cpp)
native_test(native_dsp_tests SOURCES ${dsp_tests} LIBRARIES native_dsp)

# msvcrt's three-digit exponent and a "German" locale are Windows's.
native_test(native_number_text_tests SOURCES ${root}/tests/unit/number_text_test.cpp LIBRARIES native_platform
            ARGS --gtest_filter=-FloatingText.*)
native_test(native_dialog_template_tests SOURCES ${root}/tests/unit/dialog_template_check_test.cpp
            LIBRARIES native_platform)
file(GLOB xml_tests CONFIGURE_DEPENDS ${root}/tests/unit/xml_node_*.cpp ${root}/tests/unit/xml_file_attribute_*.cpp)
native_test(native_xml_tests SOURCES ${xml_tests} LIBRARIES native_platform)
native_test(native_graph_layout_tests SOURCES ${root}/tests/unit/graph_layout_test.cpp LIBRARIES native_graph)
native_test(native_wav_tests SOURCES ${root}/tests/tools/wav_codec_test.cpp LIBRARIES native_wav)
