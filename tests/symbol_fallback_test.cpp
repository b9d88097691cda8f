// Status symbols in the panel with the game's own font, which has none of them, and with one that has
// some: a symbol is kept only where a glyph draws it, otherwise it reads as its stand-in.
#include <gtest/gtest.h>

#include <imgui.h>

#include <filesystem>

#include "ui/symbol_fallback.h"

namespace {

// A Dear ImGui frame with a font built from the file (or the built-in one), over the given ranges.
class FontFrame {
public:
    explicit FontFrame(const std::filesystem::path& file = {}, const ImWchar* ranges = nullptr) : context_(ImGui::CreateContext()) {
        ImGui::SetCurrentContext(context_);
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = {800.0f, 600.0f};
        if (file.empty()) io.Fonts->AddFontDefault();
        else io.Fonts->AddFontFromFileTTF(file.string().c_str(), 16.0f, nullptr, ranges);
        unsigned char* pixels = nullptr;
        int width = 0, height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
        ImGui::NewFrame();
    }
    ~FontFrame() {
        ImGui::EndFrame();
        ImGui::DestroyContext(context_);
    }

private:
    ImGuiContext* context_;
};

}  // namespace

TEST(SymbolFallback, TheGamesFontShowsEachStatusSymbolAsItsStandIn) {
    FontFrame frame;  // Dear ImGui's built-in font: ASCII and Latin-1 only, as the game's
    EXPECT_EQ(zando::ui::ShownText("✓ Upload Enabled"), "OK Upload Enabled");
    EXPECT_EQ(zando::ui::ShownText("✗ No API Key Set"), "X No API Key Set");
    EXPECT_EQ(zando::ui::ShownText("⚠ Upload Disabled"), "! Upload Disabled");
    EXPECT_EQ(zando::ui::ShownText("ℹ Upload is disabled."), "i Upload is disabled.");
    EXPECT_EQ(zando::ui::ShownText("🔄 Testing connection..."), "... Testing connection...");
    EXPECT_EQ(zando::ui::ShownText("→ next"), "? next") << "another character without a glyph";
    EXPECT_EQ(zando::ui::ShownText("Status: 403 (plain)"), "Status: 403 (plain)");
    EXPECT_EQ(zando::ui::ShownText(std::string("\xE2\x9C", 2)), "??") << "a cut character: each byte";
    EXPECT_EQ(zando::ui::ShownText("a\xFF" "b"), "a?b") << "a byte that starts no character";
}

TEST(SymbolFallback, AFontWithTheSymbolKeepsIt) {
    const std::filesystem::path dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(dejaVu)) GTEST_SKIP() << "DejaVu Sans is not installed here";
    static const ImWchar ranges[] = {0x0020, 0x007F, 0x2713, 0x2713, 0};
    FontFrame frame(dejaVu, ranges);
    EXPECT_EQ(zando::ui::ShownText("✓ Upload Enabled"), "✓ Upload Enabled");
    EXPECT_EQ(zando::ui::ShownText("⚠ Upload Disabled"), "! Upload Disabled") << "outside the ranges built";
}
