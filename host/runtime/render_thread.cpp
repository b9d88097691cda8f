// RenderThread: a frame loop on a thread of its own, stopped and joined by its owner.
#include "render_thread.h"

#include <exception>

namespace host {

RenderThread::RenderThread(std::function<bool()> frame) : frame_(std::move(frame)), thread_([this] { Run(); }) {}

RenderThread::~RenderThread() { Stop(); }

void RenderThread::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

std::string RenderThread::Failure() const { return thread_.joinable() ? std::string() : failure_; }

void RenderThread::Run() {
    try {
        while (!stopping_ && frame_()) ++frames_;
    } catch (const std::exception& e) {
        failure_ = e.what();
    } catch (...) {
        failure_ = "an unknown exception";
    }
}

}  // namespace host
