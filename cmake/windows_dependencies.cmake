# What the Windows build (mingw-w64) takes from Debian instead of the mingw sysroot:
# - the header-only libraries (stb, CLI11, nlohmann-json), copied out of /usr/include into the build
#   folder so that none of the Linux system headers beside them can reach a Windows translation unit;
# - GoogleTest, built from the sources libgtest-dev ships in /usr/src/googletest.
# The programs and libraries share one C++ runtime (mingw-w64's libstdc++, libgcc and winpthread DLLs,
# copied beside them): the stand-in SDK passes C++ objects, and a plug-in's exceptions, between the
# host program and the plug-in library, which needs one runtime on both sides.
set(ZANDO_DEBIAN_HEADERS "${CMAKE_BINARY_DIR}/debian-headers")
foreach(folder IN ITEMS stb CLI nlohmann)
  if(NOT EXISTS "/usr/include/${folder}")
    message(FATAL_ERROR "/usr/include/${folder} is missing: run ./run test-windows, which installs it")
  endif()
  file(COPY "/usr/include/${folder}" DESTINATION "${ZANDO_DEBIAN_HEADERS}")
endforeach()

add_library(zando_stb STATIC "${CMAKE_CURRENT_LIST_DIR}/stb_implementation.cpp")
target_include_directories(zando_stb SYSTEM PUBLIC "${ZANDO_DEBIAN_HEADERS}" "${ZANDO_DEBIAN_HEADERS}/stb")
target_compile_options(zando_stb PRIVATE -w)  # third-party code: its warnings are not ours to fix
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE "${ZANDO_DEBIAN_HEADERS}")
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE "${ZANDO_DEBIAN_HEADERS}")

foreach(runtime IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${runtime}
                  OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${runtime_path}")
    message(FATAL_ERROR "mingw-w64's ${runtime} is missing: install g++-mingw-w64-x86-64-posix")
  endif()
  file(COPY "${runtime_path}" DESTINATION "${CMAKE_BINARY_DIR}")
endforeach()

# SQLite, from the amalgamation ./run makes out of Debian's source package (build/sqlite-src).
enable_language(C)
file(GLOB ZANDO_SQLITE_TREES LIST_DIRECTORIES true "${CMAKE_SOURCE_DIR}/build/sqlite-src/sqlite3-*")
list(SORT ZANDO_SQLITE_TREES)
set(ZANDO_SQLITE_SOURCE_DIR "")
if(ZANDO_SQLITE_TREES)
  list(GET ZANDO_SQLITE_TREES -1 ZANDO_SQLITE_SOURCE_DIR)
endif()
if(NOT ZANDO_SQLITE_SOURCE_DIR OR NOT EXISTS "${ZANDO_SQLITE_SOURCE_DIR}/sqlite3.c")
  message(FATAL_ERROR "SQLite's amalgamation is missing: run ./run test-windows, which makes it from Debian's sources")
endif()
add_library(zando_sqlite STATIC "${ZANDO_SQLITE_SOURCE_DIR}/sqlite3.c")
target_include_directories(zando_sqlite SYSTEM PUBLIC "${ZANDO_SQLITE_SOURCE_DIR}")
target_compile_definitions(zando_sqlite PRIVATE SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0)
target_compile_options(zando_sqlite PRIVATE -w)  # third-party code: its warnings are not ours to fix
set_target_properties(zando_sqlite PROPERTIES POSITION_INDEPENDENT_CODE ON)
add_library(SQLite::SQLite3 ALIAS zando_sqlite)

function(zando_add_googletest)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)  # defines GTest::gtest_main
endfunction()
