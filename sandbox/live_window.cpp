// The live window: the simulated match is made in advance, then played at the pace of the clock on
// the wall. As in the game, two threads: the game thread plays the match and runs the hooks, timers,
// handed-over work and the canvas drawables; the render thread (this program's main thread, which owns
// the window) draws the pitch, the overlays the game thread drew last, and the plug-in's windows.
#include "sandbox/live_window.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include "host/runtime/drawing_canvas.h"
#include "host/runtime/recording_canvas.h"
#include "host/runtime/screen_renderer.h"
#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"

namespace sandbox {

namespace {

// What the game thread hands the render thread after each tick: where the cars and the ball are, and
// the calls the canvas drawables made.
struct GameFrame {
    struct Car {
        Vector location;
        int team = 0;
        bool local = false;
    };
    std::vector<Car> cars;
    std::optional<Vector> ball;
    bool inMatch = false;
    float secondsElapsed = 0.0f;  // the match clock
    bool overtime = false;
    int blueGoals = 0, orangeGoals = 0;
    std::vector<host::CanvasCall> overlays;
};

GameFrame Snapshot(const host::game::World& world) {
    GameFrame frame;
    if (!world.currentGame) return frame;
    for (const auto& car : world.currentGame->cars)
        frame.cars.push_back({car->location, car->teamNum2, car.get() == world.localCar});
    if (world.currentGame->ball) frame.ball = world.currentGame->ball->location;
    frame.inMatch = true;
    frame.secondsElapsed = world.currentGame->secondsElapsed;
    frame.overtime = world.currentGame->overtime;
    for (const auto& team : world.currentGame->teams) (team->index == 0 ? frame.blueGoals : frame.orangeGoals) = team->score;
    return frame;
}

// The recorded drawing calls, made again on a canvas that draws.
void Replay(const std::vector<host::CanvasCall>& calls, host::CanvasBackend& canvas) {
    using Kind = host::CanvasCall::Kind;
    for (const host::CanvasCall& call : calls) {
        switch (call.kind) {
        case Kind::SetColor:
            canvas.SetColor(static_cast<std::uint8_t>(call.colour.red), static_cast<std::uint8_t>(call.colour.green),
                            static_cast<std::uint8_t>(call.colour.blue), static_cast<std::uint8_t>(call.colour.alpha));
            break;
        case Kind::SetPosition: canvas.SetPosition(call.position); break;
        case Kind::DrawRect: canvas.DrawRect(call.start, call.end); break;
        case Kind::DrawLine: canvas.DrawLine(call.start, call.end, call.width); break;
        case Kind::DrawString: canvas.DrawString(call.text, call.xScale, call.yScale); break;
        }
    }
}

// Where the pitch goes: between the scoreboard band at the top and the console line at the bottom,
// the goals (5,500 units from the centre) included, as large as the band allows.
constexpr float ScoreboardHeight = 40.0f, ConsoleHeight = 60.0f;
struct PitchLayout {
    float scale = 1.0f;  // pixels a world unit
    float centreX = 0.0f, centreY = 0.0f;
};
PitchLayout LayOutPitch(float width, float height) {
    const float band = std::max(1.0f, height - ScoreboardHeight - ConsoleHeight);
    return {std::min(width * 0.5f / 8192.0f, band / 11000.0f), width * 0.5f, ScoreboardHeight + band * 0.5f};
}

// The score and the match clock (the time left of five minutes, then "+m:ss OT") at the top.
void DrawScoreboard(ImDrawList* list, const GameFrame& world, ImVec2 screen) {
    if (!world.inMatch) return;
    const int elapsed = static_cast<int>(world.secondsElapsed);
    const int shown = world.overtime ? std::max(0, elapsed - 300) : std::max(0, 300 - elapsed);
    char text[96];
    std::snprintf(text, sizeof text, "BLUE %d  -  %d ORANGE     %s%d:%02d%s", world.blueGoals, world.orangeGoals,
                  world.overtime ? "+" : "", shown / 60, shown % 60, world.overtime ? " OT" : "");
    const ImVec2 size = ImGui::CalcTextSize(text);
    const ImVec2 at{(screen.x - size.x) * 0.5f, (ScoreboardHeight - size.y) * 0.5f};
    list->AddRectFilled({at.x - 12.0f, 4.0f}, {at.x + size.x + 12.0f, ScoreboardHeight - 4.0f}, IM_COL32(10, 15, 25, 220), 6.0f);
    list->AddText(at, IM_COL32(240, 240, 240, 255), text);
}

// A top view of the pitch between the scoreboard at the top of the screen and the console line at its
// bottom: the field, the goals, the cars and the ball, all of them in view at any window size.
void DrawPitch(ImDrawList* list, const GameFrame& world, ImVec2 screen) {
    const PitchLayout layout = LayOutPitch(screen.x, screen.y);
    const float scale = layout.scale;
    const ImVec2 centre{layout.centreX, layout.centreY};
    // World +Y (orange's goal) is at the top of the screen.
    const auto at = [&](float x, float y) { return ImVec2{centre.x - x * scale, centre.y - y * scale}; };
    list->AddRectFilled(at(4096, 5120), at(-4096, -5120), IM_COL32(24, 70, 40, 255));
    list->AddRect(at(4096, 5120), at(-4096, -5120), IM_COL32(200, 220, 200, 160), 0.0f, 0, 2.0f);
    list->AddLine(at(4096, 0), at(-4096, 0), IM_COL32(200, 220, 200, 120), 1.5f);
    list->AddCircle(at(0, 0), 1000 * scale, IM_COL32(200, 220, 200, 120), 48, 1.5f);
    list->AddRectFilled(at(893, 5120), at(-893, 5500), IM_COL32(255, 140, 40, 160));
    list->AddRectFilled(at(893, -5120), at(-893, -5500), IM_COL32(60, 120, 255, 160));
    for (const GameFrame::Car& car : world.cars) {
        const ImU32 colour = car.team == 0 ? IM_COL32(80, 150, 255, 255) : IM_COL32(255, 150, 60, 255);
        list->AddCircleFilled(at(car.location.X, car.location.Y), 7.0f, colour);
        if (car.local) list->AddCircle(at(car.location.X, car.location.Y), 11.0f, IM_COL32(255, 255, 255, 255), 0, 2.0f);
    }
    if (world.ball) list->AddCircleFilled(at(world.ball->X, world.ball->Y), 6.0f, IM_COL32(240, 240, 240, 255));
}

// The game thread: plays the records whose time has come, gives the host its tick (work handed over
// by the render thread, timers) and draws the canvas overlays, about 120 times a second.
class GameThread {
public:
    GameThread(host::Host& host, const std::vector<TraceRecord>& records, Vector2 screen)
        : host_(host), records_(records), screenWidth_(screen.X), screenHeight_(screen.Y), thread_([this] { Run(); }) {}
    ~GameThread() {
        stopping_ = true;
        thread_.join();
    }
    GameThread(const GameThread&) = delete;
    GameThread& operator=(const GameThread&) = delete;

    void Resize(int width, int height) {
        screenWidth_ = width;
        screenHeight_ = height;
    }
    GameFrame Latest() {
        std::scoped_lock lock(frameMutex_);
        return latest_;
    }

private:
    void Run() {
        TracePlayer player(host_, [](double) {});
        player.SettleWorkers(false);
        std::size_t next = 0;
        const auto started = std::chrono::steady_clock::now();
        while (!stopping_) {
            const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            while (next < records_.size() && records_[next].t <= now) player.Play(records_[next++]);
            host_.Advance(0.0);
            host::RecordingCanvas canvas(Vector2{screenWidth_.load(), screenHeight_.load()});
            host_.RenderFrame(&canvas);
            GameFrame frame = Snapshot(host_.World());
            frame.overlays = canvas.Calls();
            {
                std::scoped_lock lock(frameMutex_);
                latest_ = std::move(frame);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(8));
        }
    }

    host::Host& host_;
    const std::vector<TraceRecord>& records_;
    std::atomic<int> screenWidth_, screenHeight_;
    std::atomic<bool> stopping_{false};
    std::mutex frameMutex_;
    GameFrame latest_;
    std::thread thread_;  // last: it starts once everything above is ready
};

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
    SDL_Window* window = SDL_CreateWindow("ZANDO sandbox - live match", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          settings.width, settings.height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
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

    // Work for the game thread (keys, console statements) is handed over as the plug-in's windows do.
    const auto onGameThread = [&host](std::function<void()> work) {
        host.GetScheduler().Execute(host::HostOwner, std::move(work));
    };
    std::vector<char> consoleLine(256, '\0');
    const auto started = std::chrono::steady_clock::now();
    std::optional<GameThread> game;
    game.emplace(host, records, Vector2{settings.width, settings.height});
    bool running = true;
    while (running) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            ImGui_ImplSDL2_ProcessEvent(&event);
            if (event.type == SDL_QUIT) running = false;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) running = false;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F1) onGameThread([&host] { host.ToggleMenu("ZANDO"); });
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F2)
                onGameThread([&host] { host.GetConsole().Execute("pluginsettings ZANDO"); });
        }
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        game->Resize(static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
        const GameFrame frame = game->Latest();

        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        DrawPitch(ImGui::GetBackgroundDrawList(), frame, io.DisplaySize);
        DrawScoreboard(ImGui::GetBackgroundDrawList(), frame, io.DisplaySize);
        host::DrawingCanvas canvas(Vector2{static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y)},
                                   io.Fonts->Fonts[0]);
        canvas.Begin(ImGui::GetBackgroundDrawList());
        Replay(frame.overlays, canvas);
        host.RenderWindows();
        // The console line, at the bottom of the screen.
        ImGui::SetNextWindowPos({10.0f, io.DisplaySize.y - ConsoleHeight + 10.0f});
        ImGui::SetNextWindowSize({io.DisplaySize.x - 20.0f, 40.0f});
        ImGui::Begin("Console", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove);
        ImGui::SetNextItemWidth(-1.0f);
        if (ImGui::InputTextWithHint("##console", "console statement, e.g. toggle_heatmap - Enter runs it", consoleLine.data(),
                                     consoleLine.size(), ImGuiInputTextFlags_EnterReturnsTrue)) {
            onGameThread([&host, statement = std::string(consoleLine.data())] { host.GetConsole().Execute(statement); });
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
                host::ScreenImage image =
                    host::ReadScreen(static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
                if (host::WritePng(image, settings.screenshot))
                    say("wrote the live window to " + settings.screenshot.string());
                else
                    say("could not write " + settings.screenshot.string());
            }
        }
        SDL_GL_SwapWindow(window);
    }

    game.reset();  // the game thread stops before the window and its Dear ImGui context go
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
