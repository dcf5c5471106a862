# For the scripts run with cmake -P: stop at once when one of the -D variables it needs is missing.
function(require_script_variables)
    foreach(variable IN LISTS ARGN)
        if(NOT DEFINED ${variable})
            message(FATAL_ERROR "${variable} is not set")
        endif()
    endforeach()
endfunction()
