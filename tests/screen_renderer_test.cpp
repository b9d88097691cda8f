// The drawing canvas: canvas calls become the right pixels, text has the symbols the overlays draw,
// and the same frame gives the same pixels.
#include <gtest/gtest.h>

#include <imgui.h>

#include "sdk_value_equality.h"
#include "host/runtime/screen_renderer.h"
#include "bakkesmod/wrappers/canvaswrapper.h"

namespace {

host::ScreenImage DrawFrame(host::ScreenRenderer& screen, const std::function<void(CanvasWrapper&)>& draw) {
    CanvasWrapper canvas(host::AddressOf<host::CanvasBackend>(&screen.BeginFrame()));
    draw(canvas);
    return screen.EndFrame();
}

}  // namespace

TEST(ScreenRenderer, CanvasCallsBecomeTheirPixels) {
    host::ScreenRenderer screen(320, 200);
    const auto image = DrawFrame(screen, [](CanvasWrapper& canvas) {
        EXPECT_EQ(canvas.GetSize(), (Vector2{320, 200}));
        canvas.SetColor(LinearColor{255, 0, 0, 255});
        canvas.DrawRect({10, 20}, {40, 50});  // covers x 10..39, y 20..49
        canvas.SetColor(LinearColor{0, 0, 255, 255});
        canvas.DrawLine({100, 100}, {200, 100}, 1.0f);
        canvas.SetColor(LinearColor{0, 255, 0, 128});
        canvas.DrawRect({0, 150}, {320, 200});
        canvas.SetColor(LinearColor{255, 255, 255, 255});
        canvas.SetPosition({200, 20});
        canvas.DrawString("MATCH STATS");
    });
    ASSERT_EQ(image.width, 320);
    ASSERT_EQ(image.rgba.size(), 320u * 200u * 4u);
    const std::uint32_t background = image.Pixel(5, 5);
    EXPECT_EQ(image.Pixel(10, 20), 0xFF0000FFu) << "the first pixel of the rectangle";
    EXPECT_EQ(image.Pixel(39, 49), 0xFF0000FFu) << "the last pixel of the rectangle";
    EXPECT_EQ(image.Pixel(40, 35), background) << "end is exclusive";
    EXPECT_EQ(image.Pixel(25, 19), background) << "the top of the image is the top of the canvas";
    EXPECT_EQ(image.Pixel(150, 100) >> 8, 0x0000FFu) << "a one-pixel line through pixel centres";
    // Half-transparent green over the background: half of each.
    const std::uint32_t blended = image.Pixel(100, 175);
    const int green = static_cast<int>((blended >> 16) & 0xFF);
    EXPECT_NEAR(green, 128 + static_cast<int>(((background >> 16) & 0xFF) * 127 / 255), 3);
    // The text put white pixels after its position, and none before it.
    int white = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 200; x < 320; ++x) white += image.Pixel(x, y) == 0xFFFFFFFFu;
    EXPECT_GT(white, 20);
    EXPECT_EQ(image.Pixel(199, 28), background);
}

TEST(ScreenRenderer, TheFontHasEverySymbolTheOverlaysDrawAndFramesRepeatExactly) {
    host::ScreenRenderer screen(200, 100);
    ImGui::SetCurrentContext(screen.Context());
    ImFont* font = ImGui::GetIO().Fonts->Fonts[0];
    for (char32_t symbol : host::ScreenSymbols) {
        if (symbol > IM_UNICODE_CODEPOINT_MAX) continue;  // a 16-bit build holds no character beyond U+FFFF
        EXPECT_NE(font->FindGlyphNoFallback(static_cast<ImWchar>(symbol)), nullptr) << "U+" << std::hex << static_cast<unsigned>(symbol);
    }

    const auto draw = [](CanvasWrapper& canvas) {
        canvas.SetColor(LinearColor{255, 255, 255, 255});
        canvas.SetPosition({10, 10});
        canvas.DrawString("⚡ STATS ⊙ ▣");
    };
    const auto first = DrawFrame(screen, draw);
    const auto second = DrawFrame(screen, draw);
    EXPECT_EQ(first.rgba, second.rgba);
}
