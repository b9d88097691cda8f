// The plug-in's windows on a screen taller than 1080 pixels: their text, spacing and sizes grown with
// the screen's height, so that they take the same share of it as at 1080p (the host's font is made for
// 1080p). On a screen of 1080 pixels or fewer nothing changes: the windows fit themselves to it instead.
#pragma once

#include <imgui.h>

namespace zando::ui {

// For the windows drawn while it lives (on the render thread): the host's font scale and the style's
// lengths grown, given back as they were when it ends.
class ScreenScale {
public:
    ScreenScale();
    ~ScreenScale();
    ScreenScale(const ScreenScale&) = delete;
    ScreenScale& operator=(const ScreenScale&) = delete;

    // How much larger than at 1080p the windows drawn now are: 1, or the screen's height over 1080.
    static float Factor() { return current; }

private:
    static inline float current = 1.0f;
    float fontScaleBefore_ = 1.0f;
    int styleVars_ = 0;
    bool scaled_ = false;
};

// A length given in pixels at 1080p, on this screen; 0 and negative lengths (ImGui's "fill" and "up
// to the edge") are kept as they are.
inline float Px(float pixels) { return pixels > 0.0f ? pixels * ScreenScale::Factor() : pixels; }
inline ImVec2 Px(ImVec2 size) { return {Px(size.x), Px(size.y)}; }

}  // namespace zando::ui
