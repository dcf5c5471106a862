# For the scripts that check built binaries: their headers as the toolchain's objdump -p prints them.

# The lines of objdump's report on binary, as a list in out.
function(read_pe_headers objdump binary out)
    execute_process(COMMAND "${objdump}" -p "${binary}" OUTPUT_VARIABLE headers RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${objdump} -p ${binary} failed: ${status}")
    endif()
    string(REPLACE ";" "\\;" headers "${headers}")
    string(REPLACE "\n" ";" lines "${headers}")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()
