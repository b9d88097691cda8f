// CanvasWrapper: forwards each drawing call to the frame's canvas; a null canvas draws nothing.
#include "bakkesmod/wrappers/canvaswrapper.h"

#include <cmath>

#include "host/runtime/backends.h"

namespace {

host::CanvasBackend* Canvas(std::uintptr_t address) { return host::ObjectAt<host::CanvasBackend>(address); }

std::uint8_t Component(float value) {
    if (!(value > 0.0f)) return 0;  // also NaN
    return value >= 255.0f ? 255 : static_cast<std::uint8_t>(std::lround(value));
}

}  // namespace

CanvasWrapper::CanvasWrapper(std::uintptr_t mem) : memory_address(mem) {}

Vector2 CanvasWrapper::GetSize() { return memory_address ? Canvas(memory_address)->GetSize() : Vector2{0, 0}; }

void CanvasWrapper::SetColor(char Red, char Green, char Blue, char Alpha) {
    if (memory_address)
        Canvas(memory_address)
            ->SetColor(static_cast<std::uint8_t>(Red), static_cast<std::uint8_t>(Green), static_cast<std::uint8_t>(Blue),
                       static_cast<std::uint8_t>(Alpha));
}
void CanvasWrapper::SetColor(LinearColor color) {
    if (memory_address)
        Canvas(memory_address)->SetColor(Component(color.R), Component(color.G), Component(color.B), Component(color.A));
}
void CanvasWrapper::SetPosition(Vector2 pos) {
    if (memory_address) Canvas(memory_address)->SetPosition(pos);
}
void CanvasWrapper::DrawRect(Vector2 start, Vector2 end) {
    if (memory_address) Canvas(memory_address)->DrawRect(start, end);
}
void CanvasWrapper::DrawLine(Vector2 start, Vector2 end) { DrawLine(start, end, 1.0f); }
void CanvasWrapper::DrawLine(Vector2 start, Vector2 end, float width) {
    if (memory_address) Canvas(memory_address)->DrawLine(start, end, width);
}
void CanvasWrapper::DrawString(std::string text) { DrawString(std::move(text), 1.0f, 1.0f); }
void CanvasWrapper::DrawString(std::string text, float xScale, float yScale) {
    if (memory_address) Canvas(memory_address)->DrawString(text, xScale, yScale);
}
