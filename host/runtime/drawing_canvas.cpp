// Canvas calls as Dear ImGui primitives: filled rectangles cover the pixels from start up to end,
// lines run through the centres of the pixels they name, text is anchored at its top-left corner.
#include "drawing_canvas.h"

#include <imgui.h>

namespace host {

void DrawingCanvas::Begin(ImDrawList* list) {
    list_ = list;
    if (list_) list_->Flags &= ~(ImDrawListFlags_AntiAliasedLines | ImDrawListFlags_AntiAliasedLinesUseTex);
}

void DrawingCanvas::SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) { colour_ = IM_COL32(r, g, b, a); }

void DrawingCanvas::DrawRect(Vector2 start, Vector2 end) {
    if (!list_) return;
    list_->AddRectFilled(ImVec2(static_cast<float>(start.X), static_cast<float>(start.Y)),
                         ImVec2(static_cast<float>(end.X), static_cast<float>(end.Y)), colour_);
}

void DrawingCanvas::DrawLine(Vector2 start, Vector2 end, float width) {
    if (!list_) return;
    // AddLine itself moves both ends to the pixel centres.
    list_->AddLine(ImVec2(static_cast<float>(start.X), static_cast<float>(start.Y)),
                   ImVec2(static_cast<float>(end.X), static_cast<float>(end.Y)), colour_, width);
}

void DrawingCanvas::DrawString(const std::string& text, float, float yScale) {
    if (!list_ || !font_) return;
    list_->AddText(font_, font_->FontSize * yScale, ImVec2(static_cast<float>(position_.X), static_cast<float>(position_.Y)),
                   colour_, text.data(), text.data() + text.size());
}

}  // namespace host
