// Stand-ins for the status symbols a font lacks, looked up glyph by glyph in the current font.
#include "ui/symbol_fallback.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <utility>

namespace zando::ui {

namespace {

const char* StandIn(unsigned int codePoint) {
    static constexpr std::pair<unsigned int, const char*> standIns[] = {
        {0x2713, "OK"}, {0x2717, "X"}, {0x26A0, "!"}, {0x2139, "i"}, {0x1F504, "..."}};
    for (const auto& [symbol, text] : standIns)
        if (symbol == codePoint) return text;
    return "?";
}

// Whether the font can draw the character: it fits the build's characters and has a glyph of its own.
bool Drawable(ImFont* font, unsigned int codePoint) {
    if (codePoint == IM_UNICODE_CODEPOINT_INVALID || codePoint > IM_UNICODE_CODEPOINT_MAX) return false;
    return font && font->FindGlyphNoFallback(static_cast<ImWchar>(codePoint)) != nullptr;
}

}  // namespace

std::string ShownText(const std::string& text) {
    ImFont* font = ImGui::GetFont();
    std::string shown;
    shown.reserve(text.size());
    const char* at = text.c_str();
    const char* end = at + text.size();
    while (at < end) {
        if (static_cast<unsigned char>(*at) < 0x80) {
            shown += *at++;
            continue;
        }
        unsigned int codePoint = 0;
        const int length = ImTextCharFromUtf8(&codePoint, at, end);
        if (Drawable(font, codePoint)) shown.append(at, static_cast<std::size_t>(length));
        else shown += StandIn(codePoint);
        at += length > 0 ? length : 1;
    }
    return shown;
}

}  // namespace zando::ui
