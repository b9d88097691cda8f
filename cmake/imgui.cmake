# Dear ImGui 1.86 built from Debian's own source package (./run fetches it into build/imgui-src with
# apt-get source imgui). With 32-bit characters (the pictures' build), symbols beyond the 16-bit range
# (🔄) decode; without (ZANDO_IMGUI_WCHAR32 off) it is built as the game's host builds it, with 16-bit
# characters, which the Windows build and the thread-checked build use.
# The plug-in, the host and the tests each link their own copy; they share one context at run time,
# so every copy is built the same way.
option(ZANDO_IMGUI_WCHAR32 "Dear ImGui with 32-bit characters (off: 16-bit, as the game's host)" ON)
set(ZANDO_IMGUI_SOURCE_DIR "${CMAKE_SOURCE_DIR}/build/imgui-src/imgui-1.86+ds" CACHE PATH "Dear ImGui's sources")
if(NOT EXISTS "${ZANDO_IMGUI_SOURCE_DIR}/imgui.cpp")
  message(FATAL_ERROR "Dear ImGui's sources are not in ${ZANDO_IMGUI_SOURCE_DIR}: run ./run build, which fetches them")
endif()
add_library(zando_imgui STATIC
  ${ZANDO_IMGUI_SOURCE_DIR}/imgui.cpp
  ${ZANDO_IMGUI_SOURCE_DIR}/imgui_draw.cpp
  ${ZANDO_IMGUI_SOURCE_DIR}/imgui_tables.cpp
  ${ZANDO_IMGUI_SOURCE_DIR}/imgui_widgets.cpp)
set_target_properties(zando_imgui PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(zando_imgui SYSTEM PUBLIC ${ZANDO_IMGUI_SOURCE_DIR})
if(ZANDO_IMGUI_WCHAR32)
  target_compile_definitions(zando_imgui PUBLIC IMGUI_USE_WCHAR32)
endif()
target_compile_definitions(zando_imgui
  PRIVATE
    IMGUI_DISABLE_STB_RECT_PACK_IMPLEMENTATION
    "IMGUI_STB_RECT_PACK_FILENAME=<stb/stb_rect_pack.h>"
    IMGUI_DISABLE_STB_TRUETYPE_IMPLEMENTATION
    "IMGUI_STB_TRUETYPE_FILENAME=<stb/stb_truetype.h>")
target_link_libraries(zando_imgui PUBLIC zando_stb ${CMAKE_DL_LIBS})
target_compile_options(zando_imgui PRIVATE -w)  # third-party code: its warnings are not ours to fix

# Its OpenGL 3 renderer, for the pictures of the game screen, and its SDL2 platform backend, for the
# sandbox's live window: Linux only (Mesa's EGL and SDL2 are not in the Windows build).
if(WIN32)
  return()
endif()
target_sources(zando_imgui PRIVATE ${ZANDO_IMGUI_SOURCE_DIR}/backends/imgui_impl_opengl3.cpp)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
add_library(zando_imgui_sdl STATIC ${ZANDO_IMGUI_SOURCE_DIR}/backends/imgui_impl_sdl.cpp)
target_link_libraries(zando_imgui_sdl PUBLIC zando_imgui PkgConfig::SDL2)
target_compile_options(zando_imgui_sdl PRIVATE -w)
# Dear ImGui 1.86's OpenGL loader fills its table of 54 functions through an array member declared
# with 53 entries; the 54th lands inside the same union (upstream corrected the declaration in 1.87).
# The sanitizers' bounds check is off for that one file so the rest of Dear ImGui stays checked.
if(ZANDO_SANITIZE)
  set_source_files_properties(${ZANDO_IMGUI_SOURCE_DIR}/backends/imgui_impl_opengl3.cpp
    PROPERTIES COMPILE_OPTIONS -fno-sanitize=bounds)
endif()
