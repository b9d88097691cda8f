// Drives the plug-in's Dear ImGui windows without a screen: a context of the test's own with a built
// font atlas, handed to the plug-in through the host; frames with a mouse in 1.86's io.MousePos /
// io.MouseDown style; and finding a widget by moving the mouse over its window until it is hovered.
// In lockstep (the default) the test's thread is both threads of the host: after each frame the game
// thread has its turn, and the work the windows handed over with Execute runs. Otherwise the driver is
// the render thread and another thread plays the game.
#pragma once

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/runtime/headless_imgui_context.h"
#include "host/runtime/host.h"

namespace zando_test {

class ImGuiDriver {
public:
    explicit ImGuiDriver(host::Host& host, bool lockstep = true) : host_(host), context_(host), lockstep_(lockstep) {}
    ImGuiDriver(const ImGuiDriver&) = delete;
    ImGuiDriver& operator=(const ImGuiDriver&) = delete;

    // One frame; before() runs inside it, ahead of the host's windows (to place or collapse them).
    void Frame(ImVec2 mouse = {-FLT_MAX, -FLT_MAX}, bool down = false, const std::function<void()>& before = {}) {
        ImGui::SetCurrentContext(context_.Get());
        ImGuiIO& io = ImGui::GetIO();
        io.DeltaTime = 1.0f / 60.0f;
        io.MousePos = mouse;
        io.MouseDown[0] = down;
        ImGui::NewFrame();
        if (before) before();
        host_.RenderWindows();
        if (inside_) inside_();
        ImGui::Render();
        if (lockstep_) host_.GetScheduler().RunPending();
    }
    // Hover, press, release: a click as a player makes it.
    void Click(ImVec2 at) {
        Frame(at, false);
        Frame(at, true);
        Frame(at, false);
    }
    // Whether the game thread has its turn after each frame (the default), or only when the test
    // advances the host (to see what a window shows before the work it handed over has run).
    void SetLockstep(bool lockstep) { lockstep_ = lockstep; }
    // Runs after the host's windows in each frame, before the frame ends (to look at its stacks).
    void Inside(std::function<void()> check) { inside_ = std::move(check); }

    // The window whose name is name, or, for a child region, ends with "/name_" and its id.
    static ImGuiWindow* Window(const std::string& name) {
        if (ImGuiWindow* window = ImGui::FindWindowByName(name.c_str())) return window;
        for (ImGuiWindow* window : GImGui->Windows)
            if (std::string(window->Name).find("/" + name + "_") != std::string::npos) return window;
        return nullptr;
    }
    // The centre of the widget labelled label in window, found by moving the mouse down the column x
    // (relative to the window), step pixels a frame, until the widget is hovered; (-1, -1) when it never is.
    ImVec2 Locate(const std::string& windowName, const std::string& label, float x, float step = 2.0f) {
        ImGuiWindow* window = Window(windowName);
        if (!window) return {-1.0f, -1.0f};
        const ImGuiID id = window->GetID(label.c_str());
        const ImVec2 origin = window->Pos;
        float first = -1.0f, last = -1.0f;
        for (float y = 0.0f; y < window->Size.y; y += step) {
            Frame({origin.x + x, origin.y + y});
            const bool hovered = GImGui->HoveredId == id;
            if (hovered && first < 0.0f) first = y;
            if (hovered) last = y;
            if (!hovered && first >= 0.0f) break;
        }
        if (first < 0.0f) return {-1.0f, -1.0f};
        return {origin.x + x, origin.y + (first + last) / 2.0f};
    }

    // The text a window drew in its last frame, read back from its draw list: each line of glyphs left to
    // right, top line first, with "|" where a gap wider than a few glyphs parts them (another column)
    // and no spaces (a space draws nothing). Only what was drawn inside the window's clip is there.
    static std::vector<std::string> DrawnLines(const ImGuiWindow* window) {
        ImFont* font = ImGui::GetIO().Fonts->Fonts[0];
        std::map<std::pair<float, float>, const ImFontGlyph*> glyphAt;  // by the glyph's top-left UV
        for (const ImFontGlyph& glyph : font->Glyphs)
            if (glyph.Visible && glyph.Codepoint < 128) glyphAt[{glyph.U0, glyph.V0}] = &glyph;
        std::map<float, std::vector<std::pair<float, char>>> lines;  // top of the line -> (left, character)
        const ImVector<ImDrawVert>& vertices = window->DrawList->VtxBuffer;
        for (int i = 0; i + 2 < vertices.Size; ++i) {
            const auto found = glyphAt.find({vertices[i].uv.x, vertices[i].uv.y});
            if (found == glyphAt.end() || vertices[i + 2].uv.x != found->second->U1 || vertices[i + 2].uv.y != found->second->V1)
                continue;
            const ImFontGlyph& glyph = *found->second;
            lines[std::round(vertices[i].pos.y - glyph.Y0)].emplace_back(vertices[i].pos.x - glyph.X0,
                                                                         static_cast<char>(glyph.Codepoint));
        }
        std::vector<std::string> text;
        for (auto& [top, glyphs] : lines) {
            std::sort(glyphs.begin(), glyphs.end());
            std::string line;
            for (std::size_t g = 0; g < glyphs.size(); ++g) {
                if (g > 0 && glyphs[g].first - glyphs[g - 1].first > 3.0f * font->FontSize) line += '|';
                line += glyphs[g].second;
            }
            text.push_back(line);
        }
        return text;
    }

private:
    host::Host& host_;
    host::HeadlessImGuiContext context_;
    bool lockstep_;
    std::function<void()> inside_;
};

}  // namespace zando_test
