// CanvasWrapper: the frame's drawing surface handed to drawables.
#pragma once

#include <cstdint>
#include <string>

#include "../plugin/bakkesmodsdk.h"
#include "wrapperstructs.h"

class BAKKESMOD_PLUGIN_IMPORT CanvasWrapper {
public:
    CanvasWrapper(std::uintptr_t mem);

    Vector2 GetSize();  // screen width and height in pixels
    void SetColor(char Red, char Green, char Blue, char Alpha);  // each 0..255, as the bits of a char
    void SetColor(LinearColor color);                          // each 0..255
    void SetPosition(Vector2 pos);
    void DrawRect(Vector2 start, Vector2 end);  // filled, between two corners
    void DrawLine(Vector2 start, Vector2 end);
    void DrawLine(Vector2 start, Vector2 end, float width);
    void DrawString(std::string text);
    void DrawString(std::string text, float xScale, float yScale);

private:
    std::uintptr_t memory_address;
};
