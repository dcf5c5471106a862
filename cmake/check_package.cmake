# Builds the release package (the package target) and checks that the zip holds what a user
# needs: the DLL, effect-host, the README and the install text, in the package's folder.
#   cmake -DBUILD_DIR=... -DPACKAGE=BandReject-VERSION-win32 -P check_package.cmake
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
require_script_variables(BUILD_DIR PACKAGE)

set(zip "${BUILD_DIR}/${PACKAGE}.zip")
file(REMOVE "${zip}")
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target package
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS "${zip}")
    message(FATAL_ERROR "the package target did not make ${zip}:\n${output}")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" -E tar tf "${zip}" RESULT_VARIABLE status OUTPUT_VARIABLE listing)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list ${zip}")
endif()
string(REPLACE "\n" ";" entries "${listing}")
list(FILTER entries EXCLUDE REGEX "/$|^$")
list(SORT entries)
set(expected "")
foreach(file BandReject.dll INSTALL.txt README.md effect-host.exe)
    list(APPEND expected "${PACKAGE}/${file}")
endforeach()
if(NOT entries STREQUAL expected)
    message(FATAL_ERROR "${zip} holds:\n  ${entries}\nexpected:\n  ${expected}")
endif()
message(STATUS "${zip}: ${entries}")
