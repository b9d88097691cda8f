// The host's Dear ImGui windows drawn without a screen, for the benchmarks: a context of the
// benchmark's own (1920 x 1080, its font atlas built) handed to the host, and one frame at a time.
#pragma once

#include <imgui.h>

#include <cstdint>

#include "host/runtime/host.h"

class HostWindowsFrame {
public:
    explicit HostWindowsFrame(host::Host& host) : host_(host), context_(ImGui::CreateContext()) {
        ImGui::SetCurrentContext(context_);
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = {1920.0f, 1080.0f};
        unsigned char* pixels = nullptr;
        int width = 0, height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
        host_.SetImGuiContext(reinterpret_cast<std::uintptr_t>(context_));
    }
    ~HostWindowsFrame() {
        host_.SetImGuiContext(0);
        ImGui::DestroyContext(context_);
    }
    HostWindowsFrame(const HostWindowsFrame&) = delete;
    HostWindowsFrame& operator=(const HostWindowsFrame&) = delete;

    // New frame, the host's windows, render; the vertices drawn.
    int Frame() {
        ImGui::GetIO().DeltaTime = 1.0f / 60.0f;
        ImGui::NewFrame();
        host_.RenderWindows();
        ImGui::Render();
        return ImGui::GetDrawData()->TotalVtxCount;
    }

private:
    host::Host& host_;
    ImGuiContext* context_;
};
