// The offscreen game screen: an EGL surfaceless context on Mesa, a framebuffer of the screen's size,
// and Dear ImGui with its OpenGL 3 backend drawing into it.
#include "screen_renderer.h"

#include <stdexcept>
#include <string>

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>

#include "drawing_canvas.h"

namespace host {

namespace {

constexpr const char* FontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";  // fonts-dejavu-core
// Symbols DejaVu Sans lacks (the circling arrows of "🔄 Testing connection..."), merged in.
constexpr const char* SymbolFontFile = "/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf";  // fonts-symbola
constexpr float FontPixels = 16.0f;
constexpr float Background[4] = {0.07f, 0.11f, 0.09f, 1.0f};  // the pitch at night, behind the overlays

// Latin-1 and the symbols the overlays and status texts draw.
const ImWchar GlyphRanges[] = {0x0020, 0x00FF, 0x2139, 0x2139, 0x2299, 0x2299, 0x25A3, 0x25A3,
                               0x26A0, 0x26A1, 0x2713, 0x2713, 0x2717, 0x2717, 0};
#if defined(IMGUI_USE_WCHAR32)
const ImWchar SymbolRanges[] = {0x2705, 0x2705, 0x1F504, 0x1F504, 0};  // ✅ 🔄
#else
const ImWchar SymbolRanges[] = {0x2705, 0x2705, 0};  // ✅ (16-bit characters end at U+FFFF)
#endif

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error("cannot draw the game screen: " + what); }

}  // namespace

ImFont* LoadScreenFonts(ImGuiIO& io) {
    ImFont* font = io.Fonts->AddFontFromFileTTF(FontFile, FontPixels, nullptr, GlyphRanges);
    if (!font) Fail(std::string("the font ") + FontFile + " is missing (install fonts-dejavu-core)");
    ImFontConfig merge;
    merge.MergeMode = true;
    if (!io.Fonts->AddFontFromFileTTF(SymbolFontFile, FontPixels, &merge, SymbolRanges))
        Fail(std::string("the font ") + SymbolFontFile + " is missing (install fonts-symbola)");
    if (!io.Fonts->Build()) Fail("the font atlas could not be built");
    return font;
}

struct ScreenRenderer::State {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colour = 0;
    ImGuiContext* imgui = nullptr;
    bool backend = false;
    std::unique_ptr<DrawingCanvas> canvas;

    ~State() {
        if (imgui) {
            ImGui::SetCurrentContext(imgui);
            if (backend) ImGui_ImplOpenGL3_Shutdown();
            ImGui::DestroyContext(imgui);
        }
        if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
        if (colour) glDeleteRenderbuffers(1, &colour);
        if (display != EGL_NO_DISPLAY) {
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
            eglTerminate(display);
        }
    }
};

ScreenRenderer::ScreenRenderer(int width, int height) : state_(std::make_unique<State>()), width_(width), height_(height) {
    if (width < 1 || height < 1) Fail("the screen size must be at least 1 x 1");
    State& s = *state_;
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) Fail("EGL has no platform displays (install libegl-mesa0)");
    s.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (s.display == EGL_NO_DISPLAY || !eglInitialize(s.display, nullptr, nullptr)) {
        s.display = EGL_NO_DISPLAY;
        Fail("Mesa's surfaceless EGL platform is not available (install libegl-mesa0 and libgl1-mesa-dri)");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) Fail("EGL offers no desktop OpenGL");
    // Nothing is drawn to an EGL surface (the framebuffer below is the screen), so any surface type will do.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(s.display, configAttributes, &config, 1, &configs) || configs < 1) Fail("no EGL configuration for OpenGL");
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    s.context = eglCreateContext(s.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (s.context == EGL_NO_CONTEXT) Fail("no OpenGL 3.3 core context");
    if (!eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, s.context)) Fail("the OpenGL context cannot be made current");

    glGenRenderbuffers(1, &s.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, s.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenFramebuffers(1, &s.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.colour);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) Fail("the offscreen framebuffer is incomplete");

    ImGuiContext* previous = ImGui::GetCurrentContext();
    s.imgui = ImGui::CreateContext();
    ImGui::SetCurrentContext(s.imgui);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    ImFont* font = LoadScreenFonts(io);
    if (!ImGui_ImplOpenGL3_Init("#version 330 core")) Fail("Dear ImGui's OpenGL 3 backend did not start");
    s.backend = true;
    s.canvas = std::make_unique<DrawingCanvas>(Vector2{width, height}, font);
    if (previous) ImGui::SetCurrentContext(previous);
}

ScreenRenderer::~ScreenRenderer() = default;

ImGuiContext* ScreenRenderer::Context() const { return state_->imgui; }

CanvasBackend& ScreenRenderer::BeginFrame() {
    State& s = *state_;
    eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, s.context);
    ImGui::SetCurrentContext(s.imgui);
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(width_), static_cast<float>(height_));
    io.DeltaTime = 1.0f / 60.0f;
    ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    s.canvas->Begin(ImGui::GetBackgroundDrawList());
    return *s.canvas;
}

ScreenImage ScreenRenderer::EndFrame() {
    State& s = *state_;
    ImGui::SetCurrentContext(s.imgui);
    ImGui::Render();
    s.canvas->Begin(nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    glViewport(0, 0, width_, height_);
    glClearColor(Background[0], Background[1], Background[2], Background[3]);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    glFinish();

    return ReadScreen(width_, height_);
}

ScreenImage ReadScreen(int width, int height) {
    ScreenImage image;
    image.width = width;
    image.height = height;
    image.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    // OpenGL's first row is the bottom one; the image's is the top.
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> swap(row);
    for (int y = 0; y < height / 2; ++y) {
        std::uint8_t* top = image.rgba.data() + static_cast<std::size_t>(y) * row;
        std::uint8_t* bottom = image.rgba.data() + static_cast<std::size_t>(height - 1 - y) * row;
        std::copy(top, top + row, swap.data());
        std::copy(bottom, bottom + row, top);
        std::copy(swap.data(), swap.data() + row, bottom);
    }
    return image;
}

}  // namespace host
