// The overlays drawn in pixels by the drawing canvas: the post-game card and the heatmap land where
// the canvas calls put them, in their colours; on every screen and at every scale the zones cover
// their share of the field, nothing covers anything else and every text fits its box.
#include <imgui.h>

#include <cfloat>
#include <cmath>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "host/runtime/recording_canvas.h"
#include "host/runtime/screen_renderer.h"
#include "match_support.h"

using zando_test::MatchTest;

class OverlayPicture : public MatchTest {};

TEST_F(OverlayPicture, TheCardAndTheHeatmapAreWhereAndWhatTheCanvasCallsSay) {
    host::ScreenRenderer screen(1920, 1080);
    match.StartMatch();
    Z().settings.showPostGame = Z().settings.showHeatmap = true;
    Z().settings.windowOpacity = 1.0f;
    Z().tracker.match.shotHeatmap[30][25] = 5.0f;
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

namespace {

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);
    void Add(int x1, int y1, int x2, int y2) {
        left = std::min({left, x1, x2}), top = std::min({top, y1, y2});
        right = std::max({right, x1, x2}), bottom = std::max({bottom, y1, y2});
    }
    bool Holds(const Box& inner) const {
        return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
    }
    bool Overlaps(const Box& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
};
std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << "(" << b.left << "," << b.top << ")-(" << b.right << "," << b.bottom << ")";
}

// What a text covers on the game screen, measured with the screen's own font at the call's scale.
Box TextBox(const host::CanvasCall& call) {
    static ImFontAtlas atlas;
    static ImFontConfig config;
    static ImFont* font = [] {
        ImGuiContext* context = ImGui::CreateContext(&atlas);
        ImFont* loaded = host::LoadScreenFonts(ImGui::GetIO());
        ImGui::DestroyContext(context);
        return loaded;
    }();
    const ImVec2 size = font->CalcTextSizeA(font->FontSize * call.yScale, FLT_MAX, 0.0f, call.text.c_str());
    Box box;
    box.Add(call.position.X, call.position.Y, call.position.X + static_cast<int>(std::ceil(size.x)),
            call.position.Y + static_cast<int>(std::ceil(font->FontSize * call.yScale)));
    return box;
}

}  // namespace

// Both overlays with random shots on every screen and at every scale: each zone covers its share of
// the field within a pixel, neighbours meet exactly, every shot's zone is drawn; the heatmap never
// covers the card; every text lies inside its overlay, the goals' labels inside their goals.
TEST_F(OverlayPicture, ZonesCoverTheirShareOfTheFieldAndNothingCoversAnythingAtEverySizeAndScale) {
    match.StartMatch();
    std::mt19937 random(28);
    std::vector<std::pair<int, int>> shots;
    for (int i = 0; i < 40; ++i) {
        const int row = static_cast<int>(random() % 62), col = static_cast<int>(random() % 50);
        Z().tracker.match.shotHeatmap[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] += 5.0f;
        shots.emplace_back(row, col);
    }
    const auto frame = [&](Vector2 size) {
        host::RecordingCanvas canvas(size);
        Host().RenderFrame(&canvas);
        return canvas.Calls();
    };
    for (const Vector2 screen : {Vector2{1280, 720}, Vector2{1920, 1080}, Vector2{2560, 1440}, Vector2{3840, 2160}}) {
        for (const float scale : {0.5f, 1.0f, 2.5f}) {
            SCOPED_TRACE(std::to_string(screen.X) + "x" + std::to_string(screen.Y) + " at " + std::to_string(scale));
            Z().settings.heatmapScale = Z().settings.postGameScale = scale;
            Z().settings.showHeatmap = false;
            Z().settings.showPostGame = true;
            const std::vector<host::CanvasCall> cardCalls = frame(screen);
            Z().settings.showHeatmap = true;
            const std::vector<host::CanvasCall> both = frame(screen);
            ASSERT_GT(both.size(), cardCalls.size());
            const std::vector<host::CanvasCall> heatmapCalls(both.begin() + static_cast<std::ptrdiff_t>(cardCalls.size()),
                                                             both.end());

            Box card, heatmap, field, opponentGoal, ownGoal;
            card.Add(cardCalls[1].start.X, cardCalls[1].start.Y, cardCalls[1].end.X, cardCalls[1].end.Y);  // its background
            std::vector<const host::CanvasCall*> zones;
            for (const host::CanvasCall& call : heatmapCalls) {
                if (call.kind != host::CanvasCall::Kind::DrawRect && call.kind != host::CanvasCall::Kind::DrawLine) continue;
                heatmap.Add(call.start.X, call.start.Y, call.end.X, call.end.Y);
                if (call.kind != host::CanvasCall::Kind::DrawRect) continue;
                const host::CanvasColour c = call.colour;
                if (c.red == 10 && c.green == 12 && c.blue == 15)
                    field.Add(call.start.X, call.start.Y, call.end.X, call.end.Y);
                else if (c.red == 255 && c.green == 120 && c.blue == 120)
                    opponentGoal.Add(call.start.X, call.start.Y, call.end.X, call.end.Y);
                else if (c.red == 120 && c.green == 120 && c.blue == 255)
                    ownGoal.Add(call.start.X, call.start.Y, call.end.X, call.end.Y);
                else if (field.right > field.left && ownGoal.right < ownGoal.left && !(c.red == 40 && c.green == 70))
                    zones.push_back(&call);
            }
            EXPECT_FALSE(heatmap.Overlaps(card)) << "heatmap " << heatmap << ", card " << card;

            // Each zone rectangle: a row high, whole zones wide, its edges within a pixel of their exact places.
            const double width = field.right - field.left, height = field.bottom - field.top;
            const auto exactX = [&](int col) { return field.left + col * width / 50.0; };
            const auto exactY = [&](int row) { return field.top + row * height / 62.0; };
            std::map<std::pair<int, int>, int> leftEdge, rightEdge;  // (row, column) -> pixel
            std::map<int, std::set<int>> tops, bottoms;              // row -> pixels
            std::set<std::pair<int, int>> covered;
            ASSERT_FALSE(zones.empty());
            for (const host::CanvasCall* zone : zones) {
                const int row = static_cast<int>(std::lround((zone->start.Y - field.top) * 62.0 / height));
                const int first = static_cast<int>(std::lround((zone->start.X - field.left) * 50.0 / width));
                const int end = static_cast<int>(std::lround((zone->end.X - field.left) * 50.0 / width));
                if (!(row >= 0 && row < 62 && first >= 0 && end <= 50 && first < end)) {
                    ADD_FAILURE() << "a zone outside the field at " << zone->start.X << "," << zone->start.Y;
                    continue;
                }
                EXPECT_LE(std::abs(zone->start.Y - exactY(row)), 1.0);
                EXPECT_LE(std::abs(zone->end.Y - exactY(row + 1)), 1.0);
                EXPECT_LE(std::abs(zone->start.X - exactX(first)), 1.0);
                EXPECT_LE(std::abs(zone->end.X - exactX(end)), 1.0);
                leftEdge[{row, first}] = zone->start.X;
                rightEdge[{row, end}] = zone->end.X;
                tops[row].insert(zone->start.Y);
                bottoms[row].insert(zone->end.Y);
                for (int col = first; col < end; ++col) covered.emplace(row, col);
            }
            for (const auto& [place, x] : rightEdge) {
                if (leftEdge.contains(place)) {
                    EXPECT_EQ(leftEdge[place], x) << "neighbours meet at row " << place.first;
                }
            }
            for (const auto& [row, pixels] : tops) {
                EXPECT_EQ(pixels.size(), 1u) << "one top a row";
                if (bottoms.contains(row - 1)) {
                    EXPECT_EQ(*bottoms[row - 1].begin(), *pixels.begin()) << "rows meet";
                }
            }
            for (const auto& shot : shots)
                EXPECT_TRUE(covered.contains(shot)) << "the shot at " << shot.first << "," << shot.second;

            for (const host::CanvasCall& call : cardCalls) {
                if (call.kind == host::CanvasCall::Kind::DrawString) {
                    EXPECT_TRUE(card.Holds(TextBox(call))) << call.text << " " << TextBox(call);
                }
            }
            for (const host::CanvasCall& call : heatmapCalls) {
                if (call.kind != host::CanvasCall::Kind::DrawString) continue;
                const Box& box = call.text == "OPP" ? opponentGoal : call.text == "YOU" ? ownGoal : heatmap;
                EXPECT_TRUE(box.Holds(TextBox(call))) << call.text << " " << TextBox(call) << " outside " << box;
            }
        }
    }
}
