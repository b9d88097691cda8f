// The overlays the plug-in draws each frame, on the recording canvas: which overlay shows when, the
// heatmap's cells, modes, selected zone and scale, and the post-game card at several screen sizes.
#include <algorithm>
#include <stdexcept>

#include "heatmap/heatmap_drawing.h"
#include "host/runtime/recording_canvas.h"
#include "match_support.h"

using host::CanvasCall;
using host::CanvasColour;
using zando_test::MatchTest;
using Lines = std::vector<std::string>;

namespace {

// Fails the frame when the post-game card draws its title.
class FailingCanvas : public host::RecordingCanvas {
public:
    void DrawString(const std::string& text, float xScale, float yScale) override {
        if (text == "MATCH STATS") throw std::runtime_error("the canvas went away");
        RecordingCanvas::DrawString(text, xScale, yScale);
    }
};

}  // namespace

class CanvasOverlays : public MatchTest {
protected:
    void SetUp() override {
        match.StartMatch();
        Z().settings.showHeatmap = Z().settings.showPostGame = Z().settings.stickyMode = false;
        Z().settings.showHeatmapInReplay = Z().settings.showPostGameInReplay = false;
    }
    host::RecordingCanvas& Frame(Vector2 size = {1920, 1080}) {
        canvas = host::RecordingCanvas(size);
        Host().RenderFrame(&canvas);
        return canvas;
    }
    bool PostGameDrawn() const { return canvas.FindText("MATCH STATS") || canvas.FindText("⚡ STATS"); }
    bool HeatmapDrawn() const { return canvas.FindText("THIS MATCH") != nullptr; }
    // The filled rectangle that holds heatmap cell (row, column) at scale 1 and the default position:
    // side-by-side cells of one colour share one rectangle, a cell high.
    const CanvasCall* CellAt(int row, int column, int cell = 5, int x0 = 1154, int y2 = 125) {
        const int x = x0 + column * cell, y = y2 + row * cell;
        for (const CanvasCall& call : canvas.Calls())
            if (call.kind == CanvasCall::Kind::DrawRect && call.start.Y == y && call.end.Y == y + cell && call.start.X <= x &&
                call.end.X >= x + cell && (call.start.X - x0) % cell == 0 && (call.end.X - x0) % cell == 0)
                return &call;
        return nullptr;
    }
    // Cells drawn: rectangles a cell high and a whole number of cells wide.
    int CellsDrawn(int cell = 5) {
        int count = 0;
        for (const CanvasCall& call : canvas.CallsOf(CanvasCall::Kind::DrawRect))
            if (call.end.Y - call.start.Y == cell && call.end.X > call.start.X && (call.end.X - call.start.X) % cell == 0)
                count += (call.end.X - call.start.X) / cell;
        return count;
    }
    void Shots(int row, int column, int shots, int goals = 0) {
        Z().tracker.match.shotHeatmap[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] =
            5.0f * static_cast<float>(shots);
        Z().tracker.match.goalHeatmap[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = goals;
    }

    host::RecordingCanvas canvas;
};

TEST_F(CanvasOverlays, EachOverlayShowsWhenItsRulesSayAndTheHeatmapOnlyInAGame) {
    struct Case {
        bool postGame, heatmap, sticky, postGameInReplay, heatmapInReplay, inReplay;
        bool expectPostGame, expectHeatmap;
    };
    const Case cases[] = {
        {false, false, false, false, false, false, false, false}, {true, false, false, false, false, false, true, false},
        {false, true, false, false, false, false, false, true},   {false, false, true, false, false, false, true, true},
        {false, false, false, false, true, true, false, true},    {false, false, false, false, true, false, false, false},
        {false, false, false, true, false, true, true, false},
    };
    for (const Case& c : cases) {
        Z().settings.showPostGame = c.postGame;
        Z().settings.showHeatmap = c.heatmap;
        Z().settings.stickyMode = c.sticky;
        Z().settings.showPostGameInReplay = c.postGameInReplay;
        Z().settings.showHeatmapInReplay = c.heatmapInReplay;
        Z().flags.inGoalReplay = c.inReplay;
        Frame();
        EXPECT_EQ(PostGameDrawn(), c.expectPostGame) << &c - cases;
        EXPECT_EQ(HeatmapDrawn(), c.expectHeatmap) << &c - cases;
    }
    match.RemoveMatch();
    Frame();
    EXPECT_TRUE(PostGameDrawn()) << "the card shows outside a match";
    EXPECT_FALSE(HeatmapDrawn()) << "the heatmap needs a current game";
    EXPECT_TRUE(canvas.CallsOf(CanvasCall::Kind::DrawRect).size() < 20u);
}

TEST_F(CanvasOverlays, AnExceptionWhileDrawingSkipsTheRestOfThatFrameOnly) {
    Z().settings.showPostGame = Z().settings.showHeatmap = true;
    FailingCanvas failing;
    MarkLines();
    Host().RenderFrame(&failing);
    EXPECT_EQ(NewLines(), (Lines{"[ZANDO ERROR] Render exception: the canvas went away"}));
    EXPECT_EQ(failing.FindText("THIS MATCH"), nullptr) << "the heatmap is skipped in that frame";
    Frame();
    EXPECT_TRUE(PostGameDrawn() && HeatmapDrawn()) << "the next frame starts afresh";
}

TEST_F(CanvasOverlays, ASingleShotIsRedWithItsNeighboursFurtherDownTheRamp) {
    Z().settings.showHeatmap = true;
    Shots(30, 25, 1);
    Frame();
    ASSERT_NE(CellAt(30, 25), nullptr);
    EXPECT_EQ(CellAt(30, 25)->colour, (CanvasColour{255, 0, 0, 216})) << "t = 1 at opacity 0.85";
    ASSERT_NE(CellAt(30, 26), nullptr);
    // A neighbour's heat is exp(-1/2) = 0.607 of the peak (the yellow-to-orange segment: green 255 -
    // 100 x 0.033 = 251); a diagonal one's exp(-1) = 0.368 (light blue to lime: 200 + 55 x 0.84 = 246).
    EXPECT_NEAR(CellAt(30, 26)->colour.green, 251, 2);
    EXPECT_NEAR(CellAt(31, 24)->colour.green, 246, 2);
    EXPECT_EQ(CellsDrawn(), 25) << "only the zones within two rows and columns";
    EXPECT_NE(canvas.FindText("▣ Heatmap | 1 shots"), nullptr);
    EXPECT_EQ(canvas.FindText("▣ Heatmap | 1 shots")->position, (Vector2{1162, 98}));

    // A corner shot is normalised to its own peak: red as well.
    Shots(30, 25, 0);
    Shots(0, 0, 2);
    Frame();
    ASSERT_NE(CellAt(0, 0), nullptr);
    EXPECT_EQ(CellAt(0, 0)->colour, (CanvasColour{255, 0, 0, 216}));
    EXPECT_EQ(CellsDrawn(), 9);
}

// A goal is also a shot on goal: a zone whose goals came without their "Shot on Goal" event is as
// accurate as its goals say, never red, and zones with neither stay empty.
TEST_F(CanvasOverlays, AccuracyCountsEachGoalAsAShotSoAZoneWhereThePlayerScoredIsNeverRed) {
    Z().settings.showHeatmap = true;
    Z().settings.showAccuracyOverlay = true;
    Shots(10, 10, 1, 3);  // more goals than shots
    Shots(40, 40, 0, 2);  // goals without shots
    Shots(20, 30, 2, 0);  // shots without goals
    Z().panel.selection.selectedZoneCol = 10;
    Z().panel.selection.selectedZoneRow = 10;
    Frame();
    EXPECT_NE(canvas.FindText("⊙ Accuracy | 3 shots"), nullptr);
    EXPECT_EQ(CellsDrawn(), 3) << "zones with neither shots nor goals stay empty";
    ASSERT_NE(CellAt(40, 40), nullptr);
    EXPECT_EQ(CellAt(40, 40)->colour, (CanvasColour{0, 255, 0, 153})) << "a zone of goals alone is green";
    ASSERT_NE(CellAt(20, 30), nullptr);
    EXPECT_EQ(CellAt(20, 30)->colour, (CanvasColour{255, 0, 0, 153})) << "a zone of missed shots is red";
    ASSERT_NE(CellAt(10, 10), nullptr);
    EXPECT_EQ(CellAt(10, 10)->colour.alpha, 153);
    EXPECT_NE(canvas.FindText("Shots: 3"), nullptr);
    EXPECT_NE(canvas.FindText("Goals: 3"), nullptr);
    EXPECT_NE(canvas.FindText("Accuracy: 100%"), nullptr);
    EXPECT_NE(canvas.FindText("ACCURACY"), nullptr);
    EXPECT_NE(canvas.FindText("100%"), nullptr);
    EXPECT_EQ(CellAt(10, 10)->colour, (CanvasColour{0, 255, 0, 153})) << "a zone of 100% is the legend's green";
}

TEST_F(CanvasOverlays, EachZoneOfTheAccuracyViewIsColouredAsItsOwnFigureSays) {
    Z().settings.showHeatmap = true;
    Z().settings.showAccuracyOverlay = true;
    Shots(10, 10, 2, 1);  // 50 %, alone
    Shots(30, 20, 4, 0);  // 0 %, alone
    Shots(40, 30, 3, 3);  // 100 % beside 0 %, with as many shots
    Shots(40, 31, 3, 0);
    Frame();
    ASSERT_EQ(CellsDrawn(), 4);
    EXPECT_EQ(CellAt(10, 10)->colour, (CanvasColour{255, 255, 0, 153})) << "the legend's yellow, at 50 %";
    EXPECT_EQ(CellAt(30, 20)->colour, (CanvasColour{255, 0, 0, 153})) << "the legend's red, at 0 %";
    // Two neighbours of equal weight pull towards each other alike: green-yellow and red-yellow,
    // mirror images on the ramp (red + green of one = red + green of the other, both 255 + x).
    const CanvasColour good = CellAt(40, 30)->colour, poor = CellAt(40, 31)->colour;
    EXPECT_EQ(good.green, 255);
    EXPECT_EQ(poor.red, 255);
    EXPECT_LT(good.red, 255);
    EXPECT_GT(poor.green, 0);
    EXPECT_NEAR(good.red, poor.green, 1) << "as far from yellow on either side";
}

// A zone of the accuracy view is a dot of three zones, at full colour in its own zone, drawn over the
// field so that a goal box does not dim it; the legend is a strip under the grid box, over no zone.
TEST_F(CanvasOverlays, AccuracyZonesAreDotsOverTheFieldWithTheLegendUnderTheGrid) {
    Z().settings.showHeatmap = true;
    Z().settings.showAccuracyOverlay = true;
    Shots(0, 25, 2, 1);  // in front of the opponent's goal, inside its box
    Frame();
    const std::vector<CanvasCall>& calls = canvas.Calls();
    const auto indexOf = [&](const auto& match) {
        return std::find_if(calls.begin(), calls.end(), match) - calls.begin();
    };
    const CanvasCall* zone = CellAt(0, 25);
    ASSERT_NE(zone, nullptr);
    const auto zoneAt = zone - calls.data();
    const int cx = 1154 + 125;
    const auto goalBox = indexOf([&](const CanvasCall& c) {
        return c.kind == CanvasCall::Kind::DrawRect && c.start == Vector2{cx - 41, 125} && c.end == Vector2{cx + 41, 125 + 31};
    });
    ASSERT_LT(goalBox, static_cast<std::ptrdiff_t>(calls.size())) << "the goal box is drawn";
    EXPECT_GT(zoneAt, goalBox) << "the zone is drawn over the goal box";
    const auto dot = indexOf([&](const CanvasCall& c) {
        return c.kind == CanvasCall::Kind::DrawRect && c.end.X - c.start.X == 15 && c.start.X == 1154 + 125 - 5 &&
               c.start.Y == 125 && c.end.Y == 125 + 10;  // cut at the grid box's top edge
    });
    ASSERT_LT(dot, static_cast<std::ptrdiff_t>(calls.size())) << "a 15-pixel dot around the zone";
    EXPECT_GT(dot, goalBox);
    EXPECT_LT(dot, zoneAt) << "the zone's own colour over its dot";
    EXPECT_LT(calls[static_cast<std::size_t>(dot)].colour.alpha, zone->colour.alpha);

    const int gridBottom = 125 + 310;
    for (const char* legend : {"ACCURACY", "0%", "100%"}) {
        ASSERT_NE(canvas.FindText(legend), nullptr) << legend;
        EXPECT_GT(canvas.FindText(legend)->position.Y, gridBottom) << legend;
    }
}

TEST_F(CanvasOverlays, ABlockPickedInTheInspectorIsMarkedWholeWithItsSums) {
    Z().settings.showHeatmap = true;
    Shots(5, 9, 2, 1);
    Shots(7, 11, 1, 0);
    Shots(8, 9, 4, 4);  // the next block down: not counted
    Z().panel.selection.selectedZoneRow = 4;
    Z().panel.selection.selectedZoneCol = 8;
    Z().panel.selection.selectedZoneRows = Z().panel.selection.selectedZoneCols = 4;
    Frame();
    EXPECT_NE(canvas.FindText("Shots: 3"), nullptr);
    EXPECT_NE(canvas.FindText("Goals: 1"), nullptr);
    EXPECT_NE(canvas.FindText("Accuracy: 33%"), nullptr);
    const int x = 1154 + 8 * 5, y = 125 + 4 * 5;
    const auto lines = canvas.CallsOf(CanvasCall::Kind::DrawLine);
    const bool topEdge = std::any_of(lines.begin(), lines.end(), [&](const CanvasCall& line) {
        return line.start == Vector2{x, y} && line.end == Vector2{x + 4 * 5, y} && line.width == 2.0f;
    });
    EXPECT_TRUE(topEdge) << "the mark spans the block's four zones";
    EXPECT_EQ(canvas.FindText("Zone Stats:")->position.X, x + 4 * 5 + 5 + 5) << "the box beside the block";
}

TEST_F(CanvasOverlays, TheSelectedZonesBoxMovesLeftNearTheRightEdge) {
    Z().settings.showHeatmap = true;
    Shots(20, 48, 2, 1);
    Z().panel.selection.selectedZoneCol = 48;
    Z().panel.selection.selectedZoneRow = 20;
    Frame();
    const int zx = 1154 + 48 * 5, zy = 125 + 20 * 5;
    const CanvasCall* title = canvas.FindText("Zone Stats:");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->position, (Vector2{zx - 5 - 120 + 5, zy + 5}));
    EXPECT_NE(canvas.FindText("Accuracy: 50%"), nullptr);

    Z().panel.selection.selectedZoneCol = 5;
    Shots(20, 5, 1);
    Frame();
    EXPECT_EQ(canvas.FindText("Zone Stats:")->position, (Vector2{1154 + 5 * 5 + 5 + 5 + 5, zy + 5}))
        << "on the right elsewhere: zone, cell, gap, margin";

    Shots(20, 5, 0);
    Frame();
    EXPECT_EQ(canvas.FindText("Zone Stats:"), nullptr) << "a zone without shots gets its outline only";
    EXPECT_EQ(canvas.CallsOf(CanvasCall::Kind::DrawLine).back().width, 2.0f);
}

TEST_F(CanvasOverlays, AtScaleOneAndAHalfTheGridBoxIsLargerThanItsCells) {
    Z().settings.showHeatmap = true;
    Z().settings.heatmapScale = 1.5f;
    Shots(61, 49, 1);
    Frame();
    const int y2 = 60 + 37 + 12 + 48;  // tab height, gap and mode line at 1.5
    const auto rects = canvas.CallsOf(CanvasCall::Kind::DrawRect);
    const bool box = std::any_of(rects.begin(), rects.end(), [&](const CanvasCall& r) {
        return r.start == Vector2{1154, y2} && r.end == Vector2{1154 + 375, y2 + 465};
    });
    EXPECT_TRUE(box) << "the 375 x 465 grid box";
    // Zones of 7.5 pixels, each edge rounded: the last zone from 368 to 375 across and 458 to 465 down.
    const bool lastZone = std::any_of(rects.begin(), rects.end(), [&](const CanvasCall& r) {
        return r.start == Vector2{1154 + 368, y2 + 458} && r.end == Vector2{1154 + 375, y2 + 465};
    });
    EXPECT_TRUE(lastZone) << "the last zone ends at the grid box's corner";
}

TEST_F(CanvasOverlays, WithoutShotsTheHeatmapShowsItsEmptyState) {
    Z().settings.showHeatmap = true;
    Frame();
    EXPECT_NE(canvas.FindText("▣ Heatmap | 0 shots"), nullptr);
    ASSERT_NE(canvas.FindText("No shots yet"), nullptr);
    EXPECT_EQ(canvas.FindText("No shots yet")->position, (Vector2{1154 + 70, 125 + 145}));
    EXPECT_NE(canvas.FindText("OPP"), nullptr) << "the field is drawn";
    EXPECT_NE(canvas.FindText("High"), nullptr) << "and the legend";
    EXPECT_EQ(CellsDrawn(), 0);
    Z().settings.showAllTimeHeatmap = true;
    Frame();
    EXPECT_NE(canvas.FindText("▣ All-Time | Heatmap | 0 shots"), nullptr);
    EXPECT_NE(canvas.FindText("No all-time data yet"), nullptr);
    EXPECT_EQ(canvas.FindText("ALL-TIME")->colour, (CanvasColour{255, 255, 255, 216})) << "the active tab's label";
}

// The field view draws this match's shots and goals where they happened on the field to scale: the
// 250 x 310 box holds the field 8,192 x 10,240 and its goals at 0.025833 pixel a unit, the end attacked
// at the top (for team 1 the field turns round); the all-time tab keeps the grid.
TEST_F(CanvasOverlays, TheFieldViewDrawsEachShotAndGoalWhereItHappened) {
    Z().settings.showHeatmap = true;
    Z().settings.heatmapFieldView = true;
    Z().tracker.match.shots = 1;
    Z().tracker.match.goals = 1;
    Z().tracker.match.places = {{false, 10.0f, {0, 0, 17}, {0, 1000, 93}, 2000.0f},
                                {true, 20.0f, {4096, 5120, 17}, {0, 5200, 93}, 3000.0f}};
    const auto dotAt = [&](int x, int y) -> const CanvasCall* {
        for (const CanvasCall& call : canvas.Calls())
            if (call.kind == CanvasCall::Kind::DrawRect && call.start == Vector2{x - 3, y - 3} &&
                call.end == Vector2{x + 3, y + 3})
                return &call;
        return nullptr;
    };
    const CanvasColour shot{250, 200, 70, 216}, goal{90, 230, 110, 216};
    for (int team : {0, 1}) {
        SCOPED_TRACE(team);
        Z().tracker.match.team = team;
        Frame();
        EXPECT_NE(canvas.FindText("▣ Field | 1 shots, 1 goals"), nullptr);
        EXPECT_EQ(CellsDrawn(), 0) << "no zone grid";
        const CanvasCall* centre = dotAt(1154 + 125, 125 + 155);
        ASSERT_NE(centre, nullptr) << "the shot from the centre spot, at the box's centre";
        EXPECT_EQ(centre->colour, shot);
        // (4096, 5120): the field's corner at +X (left) and orange's goal line, 19 and 23 pixels in.
        const CanvasCall* corner = dotAt(1154 + 19, team == 0 ? 125 + 22 : 125 + 287);
        ASSERT_NE(corner, nullptr);
        EXPECT_EQ(corner->colour, goal);
    }
    Z().settings.showAllTimeHeatmap = true;
    Frame();
    EXPECT_NE(canvas.FindText("▣ All-Time | Heatmap | 0 shots"), nullptr) << "the all-time grids keep no places";
}

TEST_F(CanvasOverlays, ThePostGameCardKeepsItsPlaceAndSizeInReferencePixels) {
    Z().settings.showPostGame = true;
    Frame({640, 480});
    EXPECT_EQ(Z().screenWidth, 1920);
    EXPECT_EQ(Z().screenHeight, 1080);
    const auto rects = canvas.CallsOf(CanvasCall::Kind::DrawRect);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0].start, (Vector2{1441, 29}));
    EXPECT_EQ(rects[0].end, (Vector2{1441 + 450, 29 + 130 + 5 * 73}));

    Frame({3840, 2160});
    EXPECT_EQ(Z().screenWidth, 3840);
    EXPECT_EQ(canvas.CallsOf(CanvasCall::Kind::DrawRect)[0].start, (Vector2{2882, 58}));
    EXPECT_EQ(canvas.CallsOf(CanvasCall::Kind::DrawRect)[0].end, (Vector2{2882 + 900, 58 + 990})) << "twice the size";
    EXPECT_FLOAT_EQ(canvas.FindText("MATCH STATS")->yScale, 2.0f) << "and its text too";
}

// Both overlays at the default settings, and at the smallest and largest scales, on three screens:
// every rectangle, line and text anchor inside the canvas, no text smaller than 8 pixels (the canvas
// font is 13 at scale 1), and the two apart at the defaults.
TEST_F(CanvasOverlays, BothOverlaysStayWholeOnEveryScreenAtEveryScale) {
    Shots(30, 25, 3, 1);
    Z().panel.selection.selectedZoneRow = 30;
    Z().panel.selection.selectedZoneCol = 25;
    struct Box {
        int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);
        void Add(Vector2 p) {
            left = std::min(left, p.X), top = std::min(top, p.Y), right = std::max(right, p.X), bottom = std::max(bottom, p.Y);
        }
    };
    // What one overlay covers: its rectangles, lines and text anchors.
    const auto extent = [this](Vector2 screen, bool heatmap) {
        Z().settings.showHeatmap = heatmap;
        Z().settings.showPostGame = !heatmap;
        Frame(screen);
        Box box;
        for (const CanvasCall& call : canvas.Calls()) {
            if (call.kind == CanvasCall::Kind::DrawRect || call.kind == CanvasCall::Kind::DrawLine) {
                box.Add(call.start);
                box.Add(call.end);
            } else if (call.kind == CanvasCall::Kind::DrawString) {
                box.Add(call.position);
                EXPECT_GE(call.yScale * 13.0f, 8.0f - 1e-3f) << "no text under 8 pixels: " << call.text;
            }
        }
        return box;
    };
    for (const Vector2 screen : {Vector2{1280, 720}, Vector2{1920, 1080}, Vector2{3840, 2160}}) {
        for (const float scale : {0.5f, 1.0f, 2.5f}) {
            Z().settings.heatmapScale = Z().settings.postGameScale = scale;
            const Box heatmap = extent(screen, true), card = extent(screen, false);
            const std::string where = std::to_string(screen.X) + "x" + std::to_string(screen.Y) + " at " + std::to_string(scale);
            for (const Box& box : {card, heatmap}) {
                EXPECT_GE(box.left, 0) << where;
                EXPECT_GE(box.top, 0) << where;
                EXPECT_LE(box.right, screen.X) << where;
                EXPECT_LE(box.bottom, screen.Y) << where;
            }
            if (scale == 1.0f) {
                EXPECT_LT(heatmap.right, card.left) << "side by side at the defaults, " << where;
            }
            // Both at once: the heatmap, drawn after the card, keeps clear of it. The card comes first in
            // the frame, drawn as when alone, so the heatmap's calls are the ones after it.
            Z().settings.showHeatmap = false;
            Z().settings.showPostGame = true;
            const std::size_t cardCalls = Frame(screen).Calls().size();
            Z().settings.showHeatmap = true;
            const std::vector<CanvasCall> calls = Frame(screen).Calls();
            ASSERT_GT(calls.size(), cardCalls);
            Box moved;
            for (std::size_t i = cardCalls; i < calls.size(); ++i) {
                if (calls[i].kind != CanvasCall::Kind::DrawRect && calls[i].kind != CanvasCall::Kind::DrawLine) continue;
                moved.Add(calls[i].start);
                moved.Add(calls[i].end);
            }
            EXPECT_FALSE(moved.left < card.right && card.left < moved.right && moved.top < card.bottom && card.top < moved.bottom)
                << "the heatmap over the card, " << where;
        }
    }
}

TEST_F(CanvasOverlays, ThePostGameCardShowsTheMatchAndItsCompactLine) {
    Z().settings.showPostGame = true;
    Z().tracker.match.speedSum = 1444.5f * 10;  // 52 kph, 32 mph
    Z().tracker.match.speedSamples = 10;
    Z().tracker.match.boostCollected = 812.9f;
    Z().tracker.match.boostUsed = 310.7f;
    Z().tracker.match.shots = 4;
    Z().tracker.match.gameTime = 307.9f;
    Z().tracker.match.possessionTime = 145.0f;  // 47 %
    Frame();
    for (const char* text : {"52 kph  /  32 mph", "Collected: 812", "Used: 310", "4 shots", "145s  (47%)", "5m 7s"})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    EXPECT_EQ(canvas.FindText("AVERAGE SPEED")->colour, (CanvasColour{80, 150, 255, 216}));

    Z().settings.minimalisticMode = true;
    Frame();
    EXPECT_NE(canvas.FindText("⚡ STATS"), nullptr);
    ASSERT_NE(canvas.FindText("Spd:52kphBst:310Shts:4Poss:47%Time:5:07"), nullptr);
    EXPECT_EQ(canvas.CallsOf(CanvasCall::Kind::DrawRect)[0].end, (Vector2{1441 + 450, 29 + 80}));
    Z().settings.showSpeed = Z().settings.showShots = false;
    Frame();
    EXPECT_NE(canvas.FindText("Bst:310Poss:47%Time:5:07"), nullptr);

    // Nothing measured: zeros, not a division by zero; all blocks off: the title only.
    Z().settings.minimalisticMode = false;
    Z().tracker.match.speedSamples = 0;
    Z().tracker.match.gameTime = 0.0f;
    Z().settings.showSpeed = true;
    Frame();
    EXPECT_NE(canvas.FindText("0 kph  /  0 mph"), nullptr);
    EXPECT_NE(canvas.FindText("0m 0s"), nullptr);
    Z().settings.showSpeed = Z().settings.showBoost = Z().settings.showShots = Z().settings.showPossession =
        Z().settings.showGameTime = false;
    Frame();
    EXPECT_EQ(canvas.CallsOf(CanvasCall::Kind::DrawString).size(), 1u);
    EXPECT_EQ(canvas.CallsOf(CanvasCall::Kind::DrawRect)[0].end, (Vector2{1441 + 450, 29 + 130}));
}

// The card's title line says how the match ended, from the player's side, in its colour, beside the
// title; without a score or a forfeit it says nothing more.
TEST_F(CanvasOverlays, ThePostGameCardSaysTheResultAndTheScoreFromThePlayersSide) {
    Z().settings.showPostGame = true;
    struct Case {
        std::optional<std::array<int32_t, 2>> score;  // blue, orange
        int team;
        bool left;
        const char* shown;    // nothing when null
        CanvasColour colour;  // at the card's default opacity
    };
    const Case cases[] = {
        {std::array{3, 1}, 0, false, "WIN 3-1", {90, 220, 120, 216}},
        {std::array{3, 1}, 1, false, "LOSS 1-3", {255, 100, 100, 216}},
        {std::array{0, 2}, 0, true, "LEFT 0-2", {255, 180, 60, 216}},
        {std::nullopt, 1, true, "LEFT", {255, 180, 60, 216}},
        {std::array{2, 2}, 1, false, "2-2", {220, 220, 220, 216}},
        {std::array{4, 0}, -1, false, nullptr, {}},
        {std::nullopt, 0, false, nullptr, {}},
    };
    for (const bool compact : {false, true}) {
        Z().settings.minimalisticMode = compact;
        for (const Case& one : cases) {
            SCOPED_TRACE(std::string(one.shown ? one.shown : "nothing") + (compact ? ", compact" : ""));
            Z().tracker.match.finalScore = one.score;
            Z().tracker.match.team = one.team;
            Z().tracker.match.left = one.left;
            Frame();
            const std::size_t texts = canvas.CallsOf(CanvasCall::Kind::DrawString).size();
            Z().tracker.match.finalScore.reset();
            Z().tracker.match.left = false;
            Frame();
            EXPECT_EQ(texts, canvas.CallsOf(CanvasCall::Kind::DrawString).size() + (one.shown ? 1 : 0));
            if (!one.shown) continue;
            Z().tracker.match.finalScore = one.score;
            Z().tracker.match.left = one.left;
            Frame();
            const CanvasCall* line = canvas.FindText(one.shown);
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(line->colour, one.colour);
            const CanvasCall* title = canvas.FindText(compact ? "⚡ STATS" : "MATCH STATS");
            ASSERT_NE(title, nullptr);
            EXPECT_EQ(line->position.Y, title->position.Y) << "on the title's line";
            EXPECT_GT(line->position.X, title->position.X + 100) << "right of the title";
        }
    }
}
