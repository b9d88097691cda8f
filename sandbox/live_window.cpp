// The live window: the simulated match is made in advance, then played at the pace of the clock on
// the wall; every displayed frame draws the pitch, the plug-in's canvas overlays and its windows.
#include "sandbox/live_window.h"

#include <SDL.h>

#include <chrono>
#include <vector>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include "host/runtime/drawing_canvas.h"
#include "host/runtime/screen_renderer.h"
#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"

namespace sandbox {

namespace {

// A top view of the pitch in the middle of the screen: the field, the goals, the cars and the ball.
void DrawPitch(ImDrawList* list, const host::game::World& world, ImVec2 screen) {
    const float scale = std::min(screen.x * 0.5f / 8192.0f, screen.y * 0.9f / 10240.0f);
    const ImVec2 centre{screen.x * 0.5f, screen.y * 0.5f};
    // World +Y (orange's goal) is at the top of the screen.
    const auto at = [&](float x, float y) { return ImVec2{centre.x - x * scale, centre.y - y * scale}; };
    list->AddRectFilled(at(4096, 5120), at(-4096, -5120), IM_COL32(24, 70, 40, 255));
    list->AddRect(at(4096, 5120), at(-4096, -5120), IM_COL32(200, 220, 200, 160), 0.0f, 0, 2.0f);
    list->AddLine(at(4096, 0), at(-4096, 0), IM_COL32(200, 220, 200, 120), 1.5f);
    list->AddCircle(at(0, 0), 1000 * scale, IM_COL32(200, 220, 200, 120), 48, 1.5f);
    list->AddRectFilled(at(893, 5120), at(-893, 5500), IM_COL32(255, 140, 40, 160));
    list->AddRectFilled(at(893, -5120), at(-893, -5500), IM_COL32(60, 120, 255, 160));
    if (!world.currentGame) return;
    for (const auto& car : world.currentGame->cars) {
        const ImU32 colour = car->teamNum2 == 0 ? IM_COL32(80, 150, 255, 255) : IM_COL32(255, 150, 60, 255);
        list->AddCircleFilled(at(car->location.X, car->location.Y), 7.0f, colour);
        if (car.get() == world.localCar) list->AddCircle(at(car->location.X, car->location.Y), 11.0f, IM_COL32(255, 255, 255, 255), 0, 2.0f);
    }
    if (const auto& ball = world.currentGame->ball) list->AddCircleFilled(at(ball->location.X, ball->location.Y), 6.0f, IM_COL32(240, 240, 240, 255));
}

}  // namespace

int PlayLive(host::Host& host, const LiveSettings& settings, const std::function<void(const std::string&)>& say) {
    std::vector<TraceRecord> records;
    MatchSimulator simulator(settings.match, [&](const TraceRecord& record) {
        if (!std::holds_alternative<record::Frame>(record.body)) records.push_back(record);  // the window makes its own frames
    });
    simulator.Run();

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        say(std::string("cannot open a window: ") + SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("ZANDO sandbox - live match", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, settings.width,
                                          settings.height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!gl) {
        say(std::string("cannot open an OpenGL 3.3 window: ") + SDL_GetError());
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
        return 1;
    }
    SDL_GL_SetSwapInterval(1);

    ImGuiContext* context = ImGui::CreateContext();
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    host::LoadScreenFonts(io);
    ImGui_ImplSDL2_InitForOpenGL(window, gl);
    ImGui_ImplOpenGL3_Init("#version 330 core");
    host.SetImGuiContext(reinterpret_cast<std::uintptr_t>(context));
    say("live match: F1 control panel, F2 settings page, Esc quits");

    TracePlayer player(host, [](double) {});
    std::size_t next = 0;
    std::vector<char> consoleLine(256, '\0');
    const auto started = std::chrono::steady_clock::now();
    bool running = true;
    while (running) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            ImGui_ImplSDL2_ProcessEvent(&event);
            if (event.type == SDL_QUIT) running = false;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) running = false;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F1) host.ToggleMenu("ZANDO");
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F2) host.GetConsole().Execute("pluginsettings ZANDO");
        }
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        while (next < records.size() && records[next].t <= now) player.Play(records[next++]);
        host.Advance(0.0);

        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        DrawPitch(ImGui::GetBackgroundDrawList(), host.World(), io.DisplaySize);
        host::DrawingCanvas canvas(Vector2{static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y)}, io.Fonts->Fonts[0]);
        canvas.Begin(ImGui::GetBackgroundDrawList());
        host.RenderFrame(&canvas);
        host.RenderWindows();
        // The console line, at the bottom of the screen.
        ImGui::SetNextWindowPos({10.0f, io.DisplaySize.y - 50.0f});
        ImGui::SetNextWindowSize({io.DisplaySize.x - 20.0f, 40.0f});
        ImGui::Begin("Console", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove);
        ImGui::SetNextItemWidth(-1.0f);
        if (ImGui::InputTextWithHint("##console", "console statement, e.g. toggle_heatmap - Enter runs it", consoleLine.data(),
                                     consoleLine.size(), ImGuiInputTextFlags_EnterReturnsTrue)) {
            host.GetConsole().Execute(consoleLine.data());
            consoleLine.assign(consoleLine.size(), '\0');
        }
        ImGui::End();
        ImGui::Render();
        glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
        glClearColor(0.07f, 0.11f, 0.09f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());

        if (settings.quitAfter > 0.0 && now >= settings.quitAfter) {
            running = false;
            if (!settings.screenshot.empty()) {
                host::ScreenImage image = host::ReadScreen(static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
                if (host::WritePng(image, settings.screenshot)) say("wrote the live window to " + settings.screenshot.string());
                else say("could not write " + settings.screenshot.string());
            }
        }
        SDL_GL_SwapWindow(window);
    }

    host.SetImGuiContext(0);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(context);
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

}  // namespace sandbox
