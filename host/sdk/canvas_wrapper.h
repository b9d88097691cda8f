// CanvasWrapper: the frame's drawing surface handed to drawables.
#pragma once

#include <cstdint>
#include <string>

#include "backends.h"
#include "sdk_api.h"
#include "vector.h"

class HOSTSDK_API CanvasWrapper {
public:
    explicit CanvasWrapper(host::CanvasBackend* canvas = nullptr) : canvas_(canvas) {}
    bool IsNull() const { return canvas_ == nullptr; }

    Vector2 GetSize();  // screen width and height in pixels; (0, 0) for a null canvas
    void SetColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha);
    void SetPosition(Vector2 position);
    void DrawRect(Vector2 start, Vector2 end);  // filled, between two corners
    void DrawLine(Vector2 start, Vector2 end);
    void DrawLine(Vector2 start, Vector2 end, float width);
    void DrawString(std::string text);
    void DrawString(std::string text, float xScale, float yScale);

private:
    host::CanvasBackend* canvas_;
};
