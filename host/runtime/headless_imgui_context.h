// A Dear ImGui context for drawing the host's windows without a screen (the tests and the benchmarks):
// 1920 x 1080, no settings file, its font atlas built, handed to the host for as long as it lives.
#pragma once

#include <imgui.h>

#include <cstdint>

#include "host/runtime/host.h"

namespace host {

class HeadlessImGuiContext {
public:
    explicit HeadlessImGuiContext(Host& host) : host_(host), context_(ImGui::CreateContext()) {
        ImGui::SetCurrentContext(context_);
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = {1920.0f, 1080.0f};
        unsigned char* pixels = nullptr;
        int width = 0, height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
        host_.SetImGuiContext(reinterpret_cast<std::uintptr_t>(context_));
    }
    ~HeadlessImGuiContext() {
        host_.SetImGuiContext(0);
        ImGui::DestroyContext(context_);
    }
    HeadlessImGuiContext(const HeadlessImGuiContext&) = delete;
    HeadlessImGuiContext& operator=(const HeadlessImGuiContext&) = delete;

    ImGuiContext* Get() const { return context_; }

private:
    Host& host_;
    ImGuiContext* context_;
};

}  // namespace host
