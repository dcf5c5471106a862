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

# The imports in the report whose lines are in the list lines_var names: prefix_dlls, the DLLs'
# names in upper case, and prefix_functions, DLL!Name or DLL!#ordinal. Each imported DLL's block
# starts "DLL Name: X" and lists one function a line, "vma hint name", or "vma ordinal <none>" for
# an import by ordinal.
function(read_pe_imports lines_var prefix)
    set(dlls "")
    set(functions "")
    set(dll "")
    foreach(line IN LISTS ${lines_var})
        if(line MATCHES "^[ \t]*DLL Name:[ \t]*([^ \t]+)")
            string(TOUPPER "${CMAKE_MATCH_1}" dll)
            list(APPEND dlls "${dll}")
        elseif(dll AND line MATCHES "^\t[0-9a-fA-F]+\t[ \t]*([0-9]+)[ \t]+<none>")
            list(APPEND functions "${dll}!#${CMAKE_MATCH_1}")
        elseif(dll AND line MATCHES "^\t[0-9a-fA-F]+\t[ \t]*[0-9]+[ \t]+([^ \t]+)")
            list(APPEND functions "${dll}!${CMAKE_MATCH_1}")
        elseif(line MATCHES "^[ \t]*$")
            set(dll "")
        endif()
    endforeach()
    set(${prefix}_dlls "${dlls}" PARENT_SCOPE)
    set(${prefix}_functions "${functions}" PARENT_SCOPE)
endfunction()
