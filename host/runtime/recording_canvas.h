// Canvases that draw no pixels: the recording canvas keeps every call with the colour and position
// in force, so tests and benchmarks can see what a frame drew; the blind canvas only reports its size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backends.h"

namespace host {

struct CanvasColour {
    int red = 255, green = 255, blue = 255, alpha = 255;
    bool operator==(const CanvasColour&) const = default;
};

struct CanvasCall {
    enum class Kind { SetColor, SetPosition, DrawRect, DrawLine, DrawString };
    Kind kind = Kind::SetColor;
    CanvasColour colour;   // the colour in force once the call was made
    Vector2 position{0, 0};              // the text position in force once the call was made
    Vector2 start{0, 0}, end{0, 0};      // DrawRect, DrawLine
    float width = 0.0f;    // DrawLine
    std::string text;      // DrawString
    float xScale = 1.0f, yScale = 1.0f;  // DrawString
};

class RecordingCanvas : public CanvasBackend {
public:
    explicit RecordingCanvas(Vector2 size = {1920, 1080}) : size_(size) {}

    Vector2 GetSize() override { return size_; }
    void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) override;
    void SetPosition(Vector2 position) override;
    void DrawRect(Vector2 start, Vector2 end) override;
    void DrawLine(Vector2 start, Vector2 end, float width) override;
    void DrawString(const std::string& text, float xScale, float yScale) override;

    const std::vector<CanvasCall>& Calls() const { return calls_; }
    std::vector<CanvasCall> CallsOf(CanvasCall::Kind kind) const;
    // The DrawString call with exactly this text; null when there is none.
    const CanvasCall* FindText(const std::string& text) const;
    void Clear() { calls_.clear(); }

protected:
    void Record(CanvasCall call);

private:
    Vector2 size_;
    CanvasColour colour_;
    Vector2 position_;
    std::vector<CanvasCall> calls_;
};

// Draws nothing: the canvas of frames that nobody looks at.
class BlindCanvas : public CanvasBackend {
public:
    explicit BlindCanvas(Vector2 size = {1920, 1080}) : size_(size) {}
    Vector2 GetSize() override { return size_; }
    void SetColor(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {}
    void SetPosition(Vector2) override {}
    void DrawRect(Vector2, Vector2) override {}
    void DrawLine(Vector2, Vector2, float) override {}
    void DrawString(const std::string&, float, float) override {}

private:
    Vector2 size_;
};

}  // namespace host
