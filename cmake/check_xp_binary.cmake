# What Windows XP SP3's loader needs of a program or DLL, read from its headers with the
# toolchain's objdump: every imported function is on the list of those XP's system DLLs export
# (DLL!Function a line; # starts a comment), and the header asks for no system later than XP (5.1).
# A function not on the list fails until it has been checked and added.
#   cmake -DOBJDUMP=... -DBINARY=... -DLIST=... -P check_xp_binary.cmake
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/pe_headers.cmake)
require_script_variables(OBJDUMP BINARY LIST)

file(STRINGS "${LIST}" list_lines)
set(allowed "")
foreach(line IN LISTS list_lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" line)
    if(line MATCHES "^([^! \t]+)!([^ \t]+)$")
        string(TOUPPER "${CMAKE_MATCH_1}" dll)
        list(APPEND allowed "${dll}!${CMAKE_MATCH_2}")
    elseif(NOT line STREQUAL "")
        message(FATAL_ERROR "${LIST}: not DLL!Function: ${line}")
    endif()
endforeach()

read_pe_headers("${OBJDUMP}" "${BINARY}" header_lines)
read_pe_imports(header_lines imported)

set(versions "")
foreach(line IN LISTS header_lines)
    if(line MATCHES "^(Major|Minor)(OSystem|Subsystem)Version[ \t]+([0-9]+)")
        set(${CMAKE_MATCH_1}${CMAKE_MATCH_2} ${CMAKE_MATCH_3})
        list(APPEND versions ${CMAKE_MATCH_2})
    endif()
endforeach()

set(problems "")
if(NOT imported_functions)
    string(APPEND problems "no imports found\n")
endif()
foreach(function IN LISTS imported_functions)
    if(NOT function IN_LIST allowed)
        string(APPEND problems "imports ${function}, which is not on the list\n")
    endif()
endforeach()
foreach(kind OSystem Subsystem)
    if(NOT kind IN_LIST versions)
        string(APPEND problems "no ${kind} version in the header\n")
    elseif(Major${kind} GREATER 5 OR (Major${kind} EQUAL 5 AND Minor${kind} GREATER 1))
        string(APPEND problems "the header asks for ${kind} version ${Major${kind}}.${Minor${kind}}, later than XP (5.1)\n")
    endif()
endforeach()
if(problems)
    message(FATAL_ERROR "${BINARY}:\n  ${problems}  (${LIST} lists what XP SP3 exports)")
endif()
list(LENGTH imported_functions import_count)
message(STATUS "${import_count} imported functions, all on the list; header asks for "
               "${MajorOSystem}.${MinorOSystem} (subsystem ${MajorSubsystem}.${MinorSubsystem})")
