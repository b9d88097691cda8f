// Symbols the font in use may not have: the game's own Dear ImGui font has few beyond ASCII, and a
// build with 16-bit characters cannot hold those past U+FFFF (🔄) at all.
#pragma once

#include <string>

namespace zando::ui {

// text as the current font can show it: each symbol it has no glyph for is written as a short
// stand-in ("✓" as "OK", "✗" as "X", "⚠" as "!", "ℹ" as "i", "🔄" as "..."), other such characters
// as "?". Call inside a Dear ImGui frame.
std::string ShownText(const std::string& text);

}  // namespace zando::ui
