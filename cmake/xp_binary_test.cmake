# add_xp_binary_test(TARGET [LIST file]): a test that the target's binary loads on Windows XP
# SP3 (cmake/check_xp_binary.cmake), against cmake/xp_imports.txt unless another list is given.
function(add_xp_binary_test target)
    cmake_parse_arguments(ARG "" "LIST" "" ${ARGN})
    if(NOT ARG_LIST)
        set(ARG_LIST ${PROJECT_SOURCE_DIR}/cmake/xp_imports.txt)
    endif()
    add_test(NAME ${target}_loads_on_xp
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DBINARY=$<TARGET_FILE:${target}>
                     -DLIST=${ARG_LIST} -P ${PROJECT_SOURCE_DIR}/cmake/check_xp_binary.cmake)
endfunction()
