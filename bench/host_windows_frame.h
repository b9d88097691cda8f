// The host's Dear ImGui windows drawn without a screen, for the benchmarks: one frame at a time on a
// headless context of the benchmark's own.
#pragma once

#include <imgui.h>

#include "host/runtime/headless_imgui_context.h"
#include "host/runtime/host.h"

class HostWindowsFrame {
public:
    explicit HostWindowsFrame(host::Host& host) : host_(host), context_(host) {}

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
    host::HeadlessImGuiContext context_;
};
