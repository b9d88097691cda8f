// A canvas that turns the drawables' calls into Dear ImGui draw-list primitives.
#pragma once

#include "backends.h"

struct ImDrawList;
struct ImFont;

namespace host {

class DrawingCanvas : public CanvasBackend {
public:
    DrawingCanvas(Vector2 size, ImFont* font) : size_(size), font_(font) {}
    // The canvas draws on list from now on (null: nowhere). Its lines are drawn without anti-aliasing,
    // one pixel wide and crisp, as the game canvas draws them.
    void Begin(ImDrawList* list);

    Vector2 GetSize() override { return size_; }
    void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) override;
    void SetPosition(Vector2 position) override { position_ = position; }
    void DrawRect(Vector2 start, Vector2 end) override;
    void DrawLine(Vector2 start, Vector2 end, float width) override;
    void DrawString(const std::string& text, float xScale, float yScale) override;

private:
    Vector2 size_;
    ImFont* font_;
    ImDrawList* list_ = nullptr;
    unsigned int colour_ = 0xFFFFFFFFu;  // ImGui's packed ABGR
    Vector2 position_;
};

}  // namespace host
