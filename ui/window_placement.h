// Where the plug-in's windows first open: inside the screen, clear of the windows already open and of
// the canvas overlays where there is room, each sized to the screen it opens on.
#pragma once

#include <span>

namespace zando::ui {

// An area of the screen in pixels: [left, right) x [top, bottom).
struct ScreenArea {
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    float Width() const { return right - left; }
    float Height() const { return bottom - top; }
};
float OverlapOf(const ScreenArea& a, const ScreenArea& b);  // the area the two share, square pixels

// Something a new window should keep clear of, and how much covering it costs (a window over a
// window is worse than a window over an overlay that shows only after a match).
struct TakenArea {
    ScreenArea area;
    float weight = 1.0f;
};

struct WindowSpot {
    float x = 0.0f, y = 0.0f;
};

// The top-left corner for a window of width x height on a screen of screenWidth x screenHeight: inside
// the screen (a window larger than it at its top-left corner), covering as little of taken as can be
// (weighted), and of the places that cover as little, the nearest to wanted. The places tried are
// wanted and those that put an edge of the window against the screen's edges or against an edge of a
// taken area, gap pixels apart.
WindowSpot PlaceWindow(float screenWidth, float screenHeight, float width, float height, WindowSpot wanted,
                       std::span<const TakenArea> taken, float gap = 8.0f);

// A window's first area when its size may give: the preferred size where some place is clear of
// taken; else the largest size down to smallest (the height given up first) that has a clear place;
// else the preferred size where it covers least.
struct WindowArea {
    WindowSpot spot;
    float width = 0.0f, height = 0.0f;
};
WindowArea FitWindow(float screenWidth, float screenHeight, float preferredWidth, float preferredHeight, float smallestWidth,
                     float smallestHeight, WindowSpot wanted, std::span<const TakenArea> taken);

}  // namespace zando::ui
