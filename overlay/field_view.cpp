// The field view: world units to the box's pixels at one factor for both axes, so that the field keeps
// its shape (8,192 wide, 10,240 long, each goal 1,786 wide and 880 deep).
#include "overlay/field_view.h"

#include <algorithm>

#include "heatmap/heatmap_drawing.h"

namespace zando {

namespace {

constexpr float HalfLength = 5120.0f, HalfWidth = 4096.0f, GoalHalfWidth = 893.0f, GoalDepth = 880.0f;

int Px(float value) { return static_cast<int>(value); }

void Box(CanvasWrapper& canvas, int x1, int y1, int x2, int y2) { canvas.DrawRect(Vector2{x1, y1}, Vector2{x2, y2}); }

}  // namespace

void DrawFieldView(CanvasWrapper& canvas, int x, int y, int w, int h, const std::vector<ShotPlace>& places, int team, float scale,
                   float opacity) {
    const float perUnit =
        std::min(static_cast<float>(w) / (2.0f * HalfWidth), static_cast<float>(h) / (2.0f * (HalfLength + GoalDepth)));
    const float left = static_cast<float>(x) + (static_cast<float>(w) - 2.0f * HalfWidth * perUnit) / 2.0f;
    const float top = static_cast<float>(y) + (static_cast<float>(h) - 2.0f * HalfLength * perUnit) / 2.0f;
    const auto px = [&](float worldX) { return Px(left + (HalfWidth - worldX) * perUnit); };
    const auto py = [&](float worldY) { return Px(top + (team == 1 ? worldY + HalfLength : HalfLength - worldY) * perUnit); };
    const int alpha = Px(opacity * 255.0f);
    const auto faded = [opacity](float share) { return Px(opacity * 255.0f * share); };
    const int fieldLeft = px(HalfWidth), fieldRight = px(-HalfWidth);
    const int topLine = Px(top), bottomLine = Px(top + 2.0f * HalfLength * perUnit);
    const int cx = (fieldLeft + fieldRight) / 2, goalHalf = Px(GoalHalfWidth * perUnit), depth = Px(GoalDepth * perUnit);

    // The goals: the one attacked at the top, the player's own at the bottom.
    SetColor(canvas, {255, 120, 120, faded(0.45f)});
    Box(canvas, cx - goalHalf, topLine - depth, cx + goalHalf, topLine);
    SetColor(canvas, {120, 120, 255, faded(0.45f)});
    Box(canvas, cx - goalHalf, bottomLine, cx + goalHalf, bottomLine + depth);
    SetColor(canvas, {160, 180, 200, faded(0.8f)});
    canvas.DrawLine(Vector2{fieldLeft, topLine}, Vector2{fieldRight, topLine});
    canvas.DrawLine(Vector2{fieldRight, topLine}, Vector2{fieldRight, bottomLine});
    canvas.DrawLine(Vector2{fieldRight, bottomLine}, Vector2{fieldLeft, bottomLine});
    canvas.DrawLine(Vector2{fieldLeft, bottomLine}, Vector2{fieldLeft, topLine});
    const int middle = (topLine + bottomLine) / 2;
    canvas.DrawLine(Vector2{fieldLeft, middle}, Vector2{fieldRight, middle});
    const float labelScale = 0.7f * scale;
    SetColor(canvas, {255, 255, 255, faded(0.6f)});
    DrawText(canvas, cx - Px(12.0f * labelScale), topLine - depth - Px(14.0f * labelScale), "OPP", labelScale);
    DrawText(canvas, cx - Px(12.0f * labelScale), bottomLine + depth + Px(1.0f * labelScale), "YOU", labelScale);

    // Each shot and goal: the line the ball went from the touch, then the touch's dot on top.
    const int dot = std::max(2, Px(3.0f * scale)), ball = std::max(1, Px(1.5f * scale));
    for (const ShotPlace& place : places) {
        const int carX = px(place.car.x), carY = py(place.car.y), ballX = px(place.ball.x), ballY = py(place.ball.y);
        SetColor(canvas, {255, 255, 255, faded(0.55f)});
        canvas.DrawLine(Vector2{carX, carY}, Vector2{ballX, ballY});
        Box(canvas, ballX - ball, ballY - ball, ballX + ball, ballY + ball);
        SetColor(canvas, place.goal ? Rgba{90, 230, 110, alpha} : Rgba{250, 200, 70, alpha});
        Box(canvas, carX - dot, carY - dot, carX + dot, carY + dot);
    }

    // The legend, in the box's lower right corner.
    const int legendX = x + w - Px(62.0f * scale), legendY = y + h - Px(34.0f * scale);
    SetColor(canvas, {0, 0, 0, faded(0.5f)});
    Box(canvas, legendX, legendY, legendX + Px(56.0f * scale), legendY + Px(30.0f * scale));
    SetColor(canvas, {250, 200, 70, alpha});
    Box(canvas, legendX + Px(5.0f * scale), legendY + Px(6.0f * scale), legendX + Px(11.0f * scale), legendY + Px(12.0f * scale));
    SetColor(canvas, {90, 230, 110, alpha});
    Box(canvas, legendX + Px(5.0f * scale), legendY + Px(18.0f * scale), legendX + Px(11.0f * scale),
        legendY + Px(24.0f * scale));
    SetColor(canvas, {180, 180, 200, alpha});
    DrawText(canvas, legendX + Px(15.0f * scale), legendY + Px(4.0f * scale), "SHOT", labelScale);
    DrawText(canvas, legendX + Px(15.0f * scale), legendY + Px(16.0f * scale), "GOAL", labelScale);
}

}  // namespace zando
