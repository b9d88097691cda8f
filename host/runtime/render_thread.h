// RenderThread: the host's render thread. The game draws its interface on a thread of its own,
// concurrently with the game thread: plug-in windows (Host::RenderWindows, inside a Dear ImGui frame)
// are drawn there, while hooks, commands, timers, drawables and Execute work run on the thread that
// plays the game.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace host {

class RenderThread {
public:
    // Runs frame() over and over on a new thread until Stop, or until frame returns false; each call
    // draws one frame or more (Dear ImGui frames around Host::RenderWindows).
    explicit RenderThread(std::function<bool()> frame);
    ~RenderThread();  // stops and waits for the frame being drawn
    RenderThread(const RenderThread&) = delete;
    RenderThread& operator=(const RenderThread&) = delete;

    void Stop();
    int Frames() const { return frames_.load(); }
    // What a frame threw (which ended the thread), or empty.
    std::string Failure() const;

private:
    void Run();

    std::function<bool()> frame_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> frames_{0};
    std::string failure_;  // written by the thread before it ends, read after it was joined
    std::thread thread_;
};

}  // namespace host
