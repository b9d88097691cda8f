// CanvasWrapper: forwards each drawing call to the frame's canvas; a null canvas draws nothing.
#include "canvas_wrapper.h"

Vector2 CanvasWrapper::GetSize() { return canvas_ ? canvas_->GetSize() : Vector2{}; }

void CanvasWrapper::SetColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
    if (canvas_) canvas_->SetColor(red, green, blue, alpha);
}
void CanvasWrapper::SetPosition(Vector2 position) {
    if (canvas_) canvas_->SetPosition(position);
}
void CanvasWrapper::DrawRect(Vector2 start, Vector2 end) {
    if (canvas_) canvas_->DrawRect(start, end);
}
void CanvasWrapper::DrawLine(Vector2 start, Vector2 end) { DrawLine(start, end, 1.0f); }
void CanvasWrapper::DrawLine(Vector2 start, Vector2 end, float width) {
    if (canvas_) canvas_->DrawLine(start, end, width);
}
void CanvasWrapper::DrawString(std::string text) { DrawString(std::move(text), 1.0f, 1.0f); }
void CanvasWrapper::DrawString(std::string text, float xScale, float yScale) {
    if (canvas_) canvas_->DrawString(text, xScale, yScale);
}
