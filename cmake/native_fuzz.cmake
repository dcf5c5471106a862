# libFuzzer targets over the readers of outside bytes, built with the sanitizers. Each has a
# seed corpus in tests/fuzz/corpus/<target>; the inputs of its findings, kept in
# tests/fuzz/findings/<target>, are replayed with the corpus as a CTest entry of its own.
# scripts/test.sh then fuzzes each for a bounded time.
set(fuzz_root ${root}/tests/fuzz)

function(native_fuzz name)
    cmake_parse_arguments(ARG "" "" "LIBRARIES" ${ARGN})
    add_executable(${name} ${fuzz_root}/${name}.cpp)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES})
    set(inputs ${fuzz_root}/corpus/${name})
    if(EXISTS ${fuzz_root}/findings/${name})
        list(APPEND inputs ${fuzz_root}/findings/${name})
    endif()
    add_test(NAME ${name}_replay COMMAND ${name} -runs=0 ${inputs})
    set_tests_properties(${name}_replay PROPERTIES TIMEOUT 120)
    set_property(GLOBAL APPEND PROPERTY native_fuzz_targets ${name})
endfunction()

native_fuzz(wav_reader_fuzz LIBRARIES native_wav)
native_fuzz(wav_round_trip_fuzz LIBRARIES native_wav)
native_fuzz(dialog_template_fuzz LIBRARIES native_platform)
native_fuzz(preset_numbers_fuzz LIBRARIES native_platform)
native_fuzz(graph_layout_fuzz LIBRARIES native_graph)
native_fuzz(attribute_limit_fuzz LIBRARIES native_platform)
native_fuzz(dsp_chain_fuzz LIBRARIES native_dsp)

# The list scripts/test.sh fuzzes, one name a line.
get_property(targets GLOBAL PROPERTY native_fuzz_targets)
list(JOIN targets "\n" lines)
file(WRITE ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${lines}\n")
