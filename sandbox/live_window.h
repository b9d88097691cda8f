// `zando-sandbox play`: a simulated match shown live, in real time, in a window of its own (SDL2 with
// Dear ImGui's OpenGL 3 backend): a top view of the pitch with the overlays over it, the plug-in's
// windows, and a console line. F1 opens the control panel, F2 the settings page, Esc quits.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "host/runtime/host.h"
#include "sandbox/match_simulator.h"

namespace sandbox {

struct LiveSettings {
    SimulationSettings match;
    int width = 1280;
    int height = 720;
    double quitAfter = 0.0;           // s of real time; 0: play until the window is closed
    std::filesystem::path screenshot; // written just before quitting, when set
};

// Returns the program's exit code; says what went wrong through say.
int PlayLive(host::Host& host, const LiveSettings& settings, const std::function<void(const std::string&)>& say);

}  // namespace sandbox
