# add_xp_binary_test(TARGET): a test that the target's binary loads on Windows XP SP3
# (cmake/check_xp_binary.cmake, against cmake/xp_imports.txt).
function(add_xp_binary_test target)
    add_test(NAME ${target}_loads_on_xp
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DBINARY=$<TARGET_FILE:${target}>
                     -DLIST=${PROJECT_SOURCE_DIR}/cmake/xp_imports.txt -P ${PROJECT_SOURCE_DIR}/cmake/check_xp_binary.cmake)
endfunction()
