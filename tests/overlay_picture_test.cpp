// The overlays drawn in pixels by the drawing canvas: the post-game card and the heatmap land where
// the canvas calls put them, in their colours.
#include "host/runtime/screen_renderer.h"
#include "match_support.h"

using zando_test::MatchTest;

class OverlayPicture : public MatchTest {};

TEST_F(OverlayPicture, TheCardAndTheHeatmapAreWhereAndWhatTheCanvasCallsSay) {
    host::ScreenRenderer screen(1920, 1080);
    match.StartMatch();
    Z().showPostGame = Z().showHeatmap = true;
    Z().windowOpacity = 1.0f;
    Z().shotHeatmap[30][25] = 5.0f;
    Host().RenderFrame(&screen.BeginFrame());
    const host::ScreenImage image = screen.EndFrame();

    // The card's background (10, 15, 25) fills its panel below the header strip, opaque at opacity 1
    // (alpha 235 of 255 over the dark screen: within a few steps of it).
    const std::uint32_t card = image.Pixel(1441 + 440, 29 + 480);
    EXPECT_NEAR(static_cast<int>(card >> 24), 10, 3);
    EXPECT_NEAR(static_cast<int>((card >> 16) & 0xFF), 15, 3);
    EXPECT_NEAR(static_cast<int>((card >> 8) & 0xFF), 25, 3);
    // The single shot's zone is red at its full alpha; its right neighbour is yellow.
    EXPECT_EQ(image.Pixel(1154 + 25 * 5 + 2, 125 + 30 * 5 + 2), 0xFF0000FFu);
    const std::uint32_t neighbour = image.Pixel(1154 + 26 * 5 + 2, 125 + 30 * 5 + 2);
    EXPECT_GT(neighbour >> 24, 220u) << "nearly opaque (alpha base 235)";
    EXPECT_GT((neighbour >> 16) & 0xFF, 200u);
    EXPECT_LT((neighbour >> 8) & 0xFF, 30u);
    // The speed block's label is drawn in its blue: some pixels of "AVERAGE SPEED" are nearly (80, 150, 255).
    int blue = 0;
    for (int y = 29 + 90; y < 29 + 110; ++y)
        for (int x = 1441 + 25; x < 1441 + 160; ++x) {
            const std::uint32_t p = image.Pixel(x, y);
            blue += std::abs(static_cast<int>(p >> 24) - 80) < 30 && std::abs(static_cast<int>((p >> 16) & 0xFF) - 150) < 30 &&
                    ((p >> 8) & 0xFF) > 200;
        }
    EXPECT_GT(blue, 10);
}
