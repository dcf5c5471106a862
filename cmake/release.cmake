# What a release is made of: the version resource from the project's version, and the package
# (cmake --build build --target package) a user unpacks: BandReject-VERSION-win32.zip.

configure_file(${CMAKE_SOURCE_DIR}/res/version.rc.in ${CMAKE_BINARY_DIR}/res/version.rc @ONLY)
target_sources(BandReject PRIVATE ${CMAKE_BINARY_DIR}/res/version.rc)

install(FILES $<TARGET_FILE:BandReject> $<TARGET_FILE:effect-host> DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/INSTALL.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME BandReject-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
