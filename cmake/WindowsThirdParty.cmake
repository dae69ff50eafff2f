# What the Windows build takes from Debian's packages: GoogleTest built from the sources Debian
# ships, and the header-only CLI11 and nlohmann-json (only their own headers, never the rest of the
# host's /usr/include).
if(CV_BUILD_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

set(CV_HEADER_ONLY_INCLUDE ${CMAKE_BINARY_DIR}/header-only-include)
file(MAKE_DIRECTORY ${CV_HEADER_ONLY_INCLUDE})
file(CREATE_LINK /usr/include/CLI ${CV_HEADER_ONLY_INCLUDE}/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${CV_HEADER_ONLY_INCLUDE})
file(CREATE_LINK /usr/include/nlohmann ${CV_HEADER_ONLY_INCLUDE}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${CV_HEADER_ONLY_INCLUDE})
