// The game screen in pixels, without a display or a GPU: Dear ImGui draws the frame (the canvas
// calls of the drawables as primitives on its background, and the plug-ins' ImGui windows over them)
// with its OpenGL 3 backend into an offscreen buffer of Mesa's software renderer, reached through
// EGL's surfaceless platform; the pixels are read back and can be written as PNG.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "backends.h"

struct ImFont;
struct ImGuiContext;
struct ImGuiIO;

namespace host {

// One frame's pixels, RGBA, top row first.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    std::uint32_t Pixel(int x, int y) const;  // 0xRRGGBBAA
};

// Reads the current OpenGL framebuffer (width x height from its bottom-left corner) into an image.
ScreenImage ReadScreen(int width, int height);

// DejaVu Sans with the symbols of Symbola merged in, as the font of io's atlas, built. Throws
// std::runtime_error naming a font file that is missing.
ImFont* LoadScreenFonts(ImGuiIO& io);

// Writes the image as a PNG file; false when the file cannot be written.
bool WritePng(const ScreenImage& image, const std::filesystem::path& path);

class ScreenRenderer {
public:
    // Throws std::runtime_error naming what is missing (EGL, an OpenGL 3.3 context, the font).
    ScreenRenderer(int width, int height);
    ~ScreenRenderer();
    ScreenRenderer(const ScreenRenderer&) = delete;
    ScreenRenderer& operator=(const ScreenRenderer&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    ImGuiContext* Context() const;  // the host's Dear ImGui context, for the plug-ins' windows

    // Starts a frame; the canvas draws on its background until EndFrame.
    CanvasBackend& BeginFrame();
    ScreenImage EndFrame();

private:
    struct State;
    std::unique_ptr<State> state_;
    int width_;
    int height_;
};

// The symbols the overlays and the status texts draw, beyond Latin-1: ⚡ ⊙ ▣ ✓ ✗ ⚠ ℹ ✅ 🔄.
inline constexpr char32_t ScreenSymbols[] = {U'⚡', U'⊙', U'▣', U'✓', U'✗', U'⚠', U'ℹ', U'✅', U'🔄'};

}  // namespace host
