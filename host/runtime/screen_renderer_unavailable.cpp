// The screen renderer of a build without Mesa's EGL (the Windows build): asking for pictures of the
// game screen fails at once with a clear reason; nothing else in the host needs it.
#include <stdexcept>

#include "screen_renderer.h"

namespace host {

struct ScreenRenderer::State {};

ScreenRenderer::ScreenRenderer(int width, int height) : width_(width), height_(height) {
    throw std::runtime_error("cannot draw the game screen: this build has no offscreen renderer (pictures need the Linux build, with Mesa)");
}

ScreenRenderer::~ScreenRenderer() = default;

ImGuiContext* ScreenRenderer::Context() const { return nullptr; }

CanvasBackend& ScreenRenderer::BeginFrame() { throw std::logic_error("no offscreen renderer in this build"); }

ScreenImage ScreenRenderer::EndFrame() { throw std::logic_error("no offscreen renderer in this build"); }

}  // namespace host
