// Stand-ins for the status symbols a font lacks, looked up glyph by glyph in the current font.
#include "ui/symbol_fallback.h"

#include <imgui.h>

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

constexpr unsigned int Malformed = 0xFFFD;
// The largest character the build holds: the game's host builds Dear ImGui with 16-bit characters.
constexpr unsigned int Largest = sizeof(ImWchar) == 2 ? 0xFFFFu : 0x10FFFFu;

// The character that starts at text (not ASCII) and its length in bytes; Malformed (length 1) for a
// byte that starts no whole UTF-8 character.
std::pair<unsigned int, int> Decode(const unsigned char* text, const unsigned char* end) {
    const unsigned char lead = text[0];
    const int length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || end - text < length) return {Malformed, 1};
    unsigned int codePoint = lead & (0x7Fu >> length);
    for (int i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80) return {Malformed, 1};
        codePoint = (codePoint << 6) | (text[i] & 0x3Fu);
    }
    return {codePoint, length};
}

// Whether the font can draw the character: it fits the build's characters and has a glyph of its own.
bool Drawable(ImFont* font, unsigned int codePoint) {
    if (codePoint == Malformed || codePoint > Largest) return false;
    return font && font->FindGlyphNoFallback(static_cast<ImWchar>(codePoint)) != nullptr;
}

}  // namespace

std::string ShownText(const std::string& text) {
    ImFont* font = ImGui::GetFont();
    std::string shown;
    shown.reserve(text.size());
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = at + text.size();
    while (at < end) {
        if (*at < 0x80) {
            shown += static_cast<char>(*at++);
            continue;
        }
        const auto [codePoint, length] = Decode(at, end);
        if (Drawable(font, codePoint))
            shown.append(reinterpret_cast<const char*>(at), static_cast<std::size_t>(length));
        else
            shown += StandIn(codePoint);
        at += length;
    }
    return shown;
}

}  // namespace zando::ui
