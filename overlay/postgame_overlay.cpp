// The post-game stats overlay: a card with one block per statistic, or a two-line compact strip.
#include <string>
#include <utility>

#include "heatmap/heatmap_drawing.h"
#include "history/history_summary.h"
#include "overlay/overlay_placement.h"
#include "plugin/figure_text.h"
#include "plugin/zando.h"

namespace figures = zando::figures;

namespace {

int Trunc(float value) { return figures::Whole(value); }

// The result and score the card's title line shows ("WIN 3-1"; "LEFT" when the player left), in its
// colour; empty when the match has neither yet.
std::pair<std::string, zando::Rgba> OutcomeText(const MatchOutcome& outcome) {
    const std::string score =
        outcome.scoreFor ? std::to_string(*outcome.scoreFor) + "-" + std::to_string(*outcome.scoreAgainst) : "";
    if (outcome.result == "forfeit") return {"LEFT" + (score.empty() ? "" : " " + score), {255, 180, 60, 255}};
    if (outcome.result == "win") return {"WIN " + score, {90, 220, 120, 255}};
    if (outcome.result == "loss") return {"LOSS " + score, {255, 100, 100, 255}};
    return {score, {220, 220, 220, 255}};
}

}  // namespace

// The card in reference pixels: 450 wide, a header and one block per statistic shown.
int ZANDO::PostGameBlocksShown() const {
    return int{settings.showSpeed} + int{settings.showBoost} + int{settings.showShots} + int{settings.showPossession} +
           int{settings.showGameTime};
}

float ZANDO::PostGameCardHeight() const {
    return settings.minimalisticMode ? 80.0f : 130.0f + static_cast<float>(PostGameBlocksShown()) * 73.0f;
}

zando::Placement ZANDO::PostGameCardPlacement(Vector2 canvasSize) const {
    return zando::PlaceOnCanvas(canvasSize, Vector2{settings.postGamePosX, settings.postGamePosY}, PostGameCardWidth,
                                PostGameCardHeight(), settings.postGameScale);
}

void ZANDO::RenderPostGameOverlay(CanvasWrapper canvas) {
    using zando::Rgba;
    const Vector2 size = zando::LayoutSize(canvas.GetSize());
    screenWidth = size.X;
    screenHeight = size.Y;

    const int shown = PostGameBlocksShown();
    const zando::Placement place = PostGameCardPlacement(size);
    const float S = place.scale, O = settings.windowOpacity;
    const auto s = [S](float value) { return Trunc(value * S); };
    const auto alpha = [O](float factor) { return Trunc(O * factor); };
    const auto Text = [&canvas, S](int x, int y, const std::string& text) { zando::DrawText(canvas, x, y, text, S); };
    const int A = alpha(255.0f);
    const int px = place.x, py = place.y;
    const int PW = s(450);
    const int PH = settings.minimalisticMode ? s(80) : s(130) + shown * s(73);

    zando::SetColor(canvas, {10, 15, 25, alpha(235)});
    canvas.DrawRect(Vector2{px, py}, Vector2{px + PW, py + PH});
    zando::SetColor(canvas, {20, 30, 45, alpha(140)});
    canvas.DrawRect(Vector2{px, py}, Vector2{px + PW, py + s(40)});
    zando::SetColor(canvas, {60, 120, 200, alpha(160)});
    canvas.DrawLine(Vector2{px, py}, Vector2{px + PW, py}, 1.5f);
    canvas.DrawLine(Vector2{px + PW, py}, Vector2{px + PW, py + PH}, 1.5f);
    canvas.DrawLine(Vector2{px + PW, py + PH}, Vector2{px, py + PH}, 1.5f);
    canvas.DrawLine(Vector2{px, py + PH}, Vector2{px, py}, 1.5f);
    zando::SetColor(canvas, {80, 150, 255, A});
    for (int k = 0; k < 3; ++k) canvas.DrawLine(Vector2{px, py + k}, Vector2{px + PW, py + k});

    const float averageSpeed = AverageSpeed();
    const int kph = figures::Kph(averageSpeed);
    const int possessionPercent = figures::Whole(PossessionPercent());
    const int seconds = Trunc(tracker.match.gameTime);
    const std::pair<std::string, zando::Rgba> outcomeLine = OutcomeText(tracker.match.Outcome());
    const std::string& outcome = outcomeLine.first;
    const zando::Rgba outcomeColour = outcomeLine.second;
    const auto drawOutcome = [&](int y) {
        if (outcome.empty()) return;
        zando::SetColor(canvas, {outcomeColour.red, outcomeColour.green, outcomeColour.blue, A});
        Text(px + PW - s(140), y, outcome);
    };

    if (settings.minimalisticMode) {
        zando::SetColor(canvas, {120, 200, 255, A});
        Text(px + s(20), py + s(18), "⚡ STATS");
        drawOutcome(py + s(18));
        std::string line;
        if (settings.showSpeed) line += "Spd:" + std::to_string(kph) + "kph";
        if (settings.showBoost) line += "Bst:" + std::to_string(Trunc(tracker.match.boostUsed));
        if (settings.showShots) line += "Shts:" + std::to_string(tracker.match.shots);
        if (settings.showPossession) line += "Poss:" + std::to_string(possessionPercent) + "%";
        if (settings.showGameTime) {
            const int rest = seconds % 60;
            line += "Time:" + std::to_string(seconds / 60) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
        }
        zando::SetColor(canvas, {220, 220, 220, A});
        Text(px + s(20), py + s(42), line);
        return;
    }

    zando::SetColor(canvas, {120, 200, 255, A});
    Text(px + (outcome.empty() ? PW / 2 - s(90) : s(20)), py + s(20), "MATCH STATS");
    drawOutcome(py + s(20));
    int y = py + s(20) + s(45);
    zando::SetColor(canvas, {50, 90, 140, alpha(180)});
    canvas.DrawLine(Vector2{px + s(20), y}, Vector2{px + PW - s(20), y}, 1.5f);
    y += s(25);

    struct Block {
        bool shown;
        const char* label;
        Rgba colour;  // alpha unused
        Rgba valueColour;
        std::string value;
        std::string secondValue;  // boost only
        std::string average;      // the playlist's last 10 matches, when the card compares with them
    };
    // The playlist's last 10 matches beside each figure, when asked for and when there are any.
    const zando::FigureAverages past = shownHistory ? shownHistory->averages : zando::FigureAverages{};
    const bool compare = settings.compareWithHistory && past.count > 0;
    const auto averageOf = [&](const std::string& text) {
        return compare ? "last " + std::to_string(past.count) + ": " + text : "";
    };
    const Block blocks[] = {
        {settings.showSpeed,
         "AVERAGE SPEED",
         {80, 150, 255},
         {240, 245, 255},
         figures::SpeedText(averageSpeed),
         "",
         averageOf(std::to_string(figures::Kph(past.averageSpeed)) + " kph")},
        {settings.showBoost,
         "BOOST USAGE",
         {255, 180, 60},
         {255, 250, 240},
         "Collected: " + std::to_string(Trunc(tracker.match.boostCollected)),
         "Used: " + std::to_string(Trunc(tracker.match.boostUsed)),
         averageOf(std::to_string(Trunc(past.boostCollected)) + " / " + std::to_string(Trunc(past.boostUsed)))},
        {settings.showShots,
         "SHOTS ON GOAL",
         {255, 100, 130},
         {255, 245, 250},
         std::to_string(tracker.match.shots) + " shots",
         "",
         averageOf(figures::Tenths(past.shots) + " shots")},
        {settings.showPossession,
         "BALL POSSESSION",
         {100, 255, 150},
         {245, 255, 250},
         figures::PossessionText(tracker.match.possessionTime, PossessionPercent()),
         "",
         averageOf(std::to_string(Trunc(past.possessionPercent)) + "%")},
        {settings.showGameTime,
         "MATCH DURATION",
         {180, 160, 220},
         {250, 245, 255},
         figures::DurationText(tracker.match.gameTime),
         "",
         ""},
    };
    for (const Block& block : blocks) {
        if (!block.shown) continue;
        const bool twoLines = !block.secondValue.empty();
        zando::SetColor(canvas, {block.colour.red, block.colour.green, block.colour.blue, A});
        Text(px + s(25), y, block.label);
        zando::SetColor(canvas, {block.colour.red, block.colour.green, block.colour.blue, alpha(60)});
        canvas.DrawRect(Vector2{px + s(15), y - s(3)}, Vector2{px + PW - s(15), y + (twoLines ? s(83) : s(58))});
        y += s(28);
        if (!block.average.empty()) {
            zando::SetColor(canvas, {170, 175, 190, alpha(220)});
            Text(px + PW - s(185), y, block.average);
        }
        zando::SetColor(canvas, {block.valueColour.red, block.valueColour.green, block.valueColour.blue, A});
        Text(px + s(45), y, block.value);
        if (twoLines) {
            y += s(28);
            Text(px + s(45), y, block.secondValue);
        }
        if (&block != &blocks[4]) y += s(35) + s(15);
    }
}
