// Picturing the game screen during a played match.
#include "sandbox/screen_camera.h"

#include <algorithm>
#include <sstream>
#include <system_error>

namespace sandbox {

namespace {

constexpr double PostGameDelay = 2.0;  // s after the end: the post-game overlays are up

std::string Seconds(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

}  // namespace

ScreenCamera::ScreenCamera(host::Host& host, ScreenshotSettings settings, Say say)
    : host_(host), settings_(std::move(settings)), say_(std::move(say)), blind_(Vector2{settings_.width, settings_.height}) {
    if (settings_.folder.empty()) return;
    std::error_code error;
    std::filesystem::create_directories(settings_.folder, error);
    if (error) throw std::runtime_error("cannot make the picture folder " + settings_.folder.string() + ": " + error.message());
    renderer_ = std::make_unique<host::ScreenRenderer>(settings_.width, settings_.height);
    // The plug-ins draw their windows into the same frame as the canvas, in the host's context.
    host_.SetImGuiContext(reinterpret_cast<std::uintptr_t>(renderer_->Context()));
    pending_ = settings_.clockTimes;
    std::sort(pending_.begin(), pending_.end());
}

std::string ScreenCamera::FileNameAt(double clock) { return "screen-at-" + Seconds(clock) + "s.png"; }
std::string ScreenCamera::MatchEndFileNameOf(int match) { return "screen-match-" + std::to_string(match) + "-end.png"; }

void ScreenCamera::PictureMatchEnd() {
    endPictured_ = true;
    if (settings_.matches <= 1)
        Picture(MatchEndFileName, "the post-game screen");
    else
        Picture(MatchEndFileNameOf(match_), "the post-game screen of match " + std::to_string(match_));
}

void ScreenCamera::BeforeRecord(const TraceRecord& record) {
    if (!renderer_) return;
    if (std::holds_alternative<record::Match>(record.body)) {
        // A new match: the one before it is pictured if it ended and was not yet.
        if (endedAt_ >= 0.0 && !endPictured_ && HasMatch()) PictureMatchEnd();
        ++match_;
        endedAt_ = -1.0;
        endPictured_ = false;
    }
    if (const auto* event = std::get_if<record::Event>(&record.body)) {
        if ((event->event == GameEvent::MatchEnded || event->event == GameEvent::MatchWinnerSet) && endedAt_ < 0.0)
            endedAt_ = record.t;
    }
    // The match object goes before the post-game screen was pictured: picture it now, while it is there.
    if (std::holds_alternative<record::RemoveMatch>(record.body) && endedAt_ >= 0.0 && !endPictured_ && HasMatch())
        PictureMatchEnd();
}

void ScreenCamera::Frame(double t) {
    if (renderer_ && HasMatch()) {
        const double clock = host_.World().currentGame->secondsElapsed;
        if (!pending_.empty() && clock >= pending_.front()) {
            const double at = pending_.front();
            while (!pending_.empty() && clock >= pending_.front()) pending_.erase(pending_.begin());
            Picture(FileNameAt(at), "the game screen at match clock " + Seconds(at) + " s");
            return;
        }
        if (endedAt_ >= 0.0 && !endPictured_ && t >= endedAt_ + PostGameDelay) {
            PictureMatchEnd();
            return;
        }
    }
    host_.RenderFrame(&blind_);
}

void ScreenCamera::Picture(const std::string& fileName, const std::string& what) {
    const host::ScreenImage image = DrawScreen();
    const std::filesystem::path path = settings_.folder / fileName;
    if (!host::WritePng(image, path)) {
        say_("could not write " + what + " to " + path.string());
        failed_ = true;
        return;
    }
    written_.push_back(path);
    say_("wrote " + what + " to " + path.string());
}

host::ScreenImage ScreenCamera::DrawScreen() {
    // A window's first frame only measures its contents: a window that was not drawn in the last
    // picture gets one frame more, so every picture shows its windows laid out.
    for (int frame = 0; frame < 2; ++frame) {
        host::CanvasBackend& canvas = renderer_->BeginFrame();
        host_.RenderFrame(&canvas);
        host_.RenderWindows();
        host::ScreenImage image = renderer_->EndFrame();
        if (frame == 1 || !host_.AnyWindowShown()) return image;
    }
    return {};
}

bool ScreenCamera::Finish() {
    for (double clock : pending_) {
        say_("no frame reached match clock " + Seconds(clock) + " s: no picture of it");
        failed_ = true;
    }
    return !failed_;
}

}  // namespace sandbox
