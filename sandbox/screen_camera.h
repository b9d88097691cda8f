// The sandbox's view of the game screen: every rendered frame gets a canvas of the screen's size, and
// the frames asked for (at match-clock times, and the post-game screen at the match end) are drawn in
// pixels and written as PNG files.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/runtime/host.h"
#include "host/runtime/recording_canvas.h"
#include "host/runtime/screen_renderer.h"
#include "sandbox/trace_record.h"

namespace sandbox {

struct ScreenshotSettings {
    std::vector<double> clockTimes;  // match-clock seconds to picture
    std::filesystem::path folder;    // where the pictures go; empty: no pictures
    int width = 1920;
    int height = 1080;
    int matches = 1;  // matches in the session: with more than one, each match's post-game screen is named by its number
};

class ScreenCamera {
public:
    using Say = std::function<void(const std::string&)>;
    // Throws std::runtime_error when pictures are asked for and the screen cannot be drawn.
    ScreenCamera(host::Host& host, ScreenshotSettings settings, Say say);

    void BeforeRecord(const TraceRecord& record);  // notes the match's end; pictures it before the match goes
    void Frame(double t);                          // one rendered frame
    // The game screen now, windows included, in pixels (only when pictures were asked for).
    host::ScreenImage DrawScreen();
    // Writes the game screen now to fileName in the picture folder, saying so with what.
    void Picture(const std::string& fileName, const std::string& what);
    bool Drawing() const { return renderer_ != nullptr; }
    // Reports clock times that never came; false when a picture could not be written or never came.
    bool Finish();

    const std::vector<std::filesystem::path>& Written() const { return written_; }
    static std::string FileNameAt(double clock);
    static constexpr const char* MatchEndFileName = "screen-match-end.png";  // a session of one match
    static std::string MatchEndFileNameOf(int match);                        // "screen-match-2-end.png"

private:
    bool HasMatch() const { return host_.World().currentGame != nullptr; }
    void PictureMatchEnd();

    host::Host& host_;
    ScreenshotSettings settings_;
    Say say_;
    std::unique_ptr<host::ScreenRenderer> renderer_;
    host::BlindCanvas blind_;
    std::vector<double> pending_;  // clock times still to picture, ascending
    double endedAt_ = -1.0;        // host time of the match's end event; negative: not ended
    bool endPictured_ = false;
    int match_ = 0;  // the match being played, from 1
    bool failed_ = false;
    std::vector<std::filesystem::path> written_;
};

}  // namespace sandbox
