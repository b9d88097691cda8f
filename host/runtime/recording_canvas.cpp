// The recording canvas: every call kept, with the colour and position in force.
#include "recording_canvas.h"

namespace host {

namespace {

CanvasCall Call(CanvasCall::Kind kind) {
    CanvasCall call;
    call.kind = kind;
    return call;
}

}  // namespace

void RecordingCanvas::Record(CanvasCall call) {
    call.colour = colour_;
    call.position = position_;
    calls_.push_back(std::move(call));
}

void RecordingCanvas::SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    colour_ = {r, g, b, a};
    Record(Call(CanvasCall::Kind::SetColor));
}

void RecordingCanvas::SetPosition(Vector2 position) {
    position_ = position;
    Record(Call(CanvasCall::Kind::SetPosition));
}

void RecordingCanvas::DrawRect(Vector2 start, Vector2 end) {
    CanvasCall call = Call(CanvasCall::Kind::DrawRect);
    call.start = start;
    call.end = end;
    Record(std::move(call));
}

void RecordingCanvas::DrawLine(Vector2 start, Vector2 end, float width) {
    CanvasCall call = Call(CanvasCall::Kind::DrawLine);
    call.start = start;
    call.end = end;
    call.width = width;
    Record(std::move(call));
}

void RecordingCanvas::DrawString(const std::string& text, float xScale, float yScale) {
    CanvasCall call = Call(CanvasCall::Kind::DrawString);
    call.text = text;
    call.xScale = xScale;
    call.yScale = yScale;
    Record(std::move(call));
}

std::vector<CanvasCall> RecordingCanvas::CallsOf(CanvasCall::Kind kind) const {
    std::vector<CanvasCall> found;
    for (const CanvasCall& call : calls_)
        if (call.kind == kind) found.push_back(call);
    return found;
}

const CanvasCall* RecordingCanvas::FindText(const std::string& text) const {
    for (const CanvasCall& call : calls_)
        if (call.kind == CanvasCall::Kind::DrawString && call.text == text) return &call;
    return nullptr;
}

}  // namespace host
