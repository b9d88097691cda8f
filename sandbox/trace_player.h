// Plays trace records on the host: moves its virtual clock to each record's time (running the timers
// that fall due), puts the modelled game into the recorded state and fires the recorded events.
#pragma once

#include <functional>
#include <vector>

#include "host/runtime/host.h"
#include "host/runtime/match_control.h"
#include "sandbox/trace_record.h"

namespace sandbox {

class TracePlayer {
public:
    // onFrame renders one frame at the given host time; by default the drawables get a null canvas.
    // beforeRecord sees each record after the clock moved to it and before it is applied.
    using FrameCallback = std::function<void(double t)>;
    using RecordObserver = std::function<void(const TraceRecord&)>;
    explicit TracePlayer(host::Host& host, FrameCallback onFrame = {}, RecordObserver beforeRecord = {});

    // Records must come in time order (a checked trace, or a TraceChecker in front).
    void Play(const TraceRecord& record);
    double Now() const { return now_; }

private:
    void Apply(const record::Match& m);
    void Apply(const record::Car& c);
    void Apply(const record::State& s);
    void Apply(const record::Event& e);
    void Apply(const record::Mmr& m);
    void Apply(const record::Console& c);
    void Apply(const record::Frame&);
    void Apply(const record::RemoveMatch&);

    host::Host& host_;
    host::MatchControl match_;
    FrameCallback onFrame_;
    RecordObserver beforeRecord_;
    std::vector<host::game::Car*> cars_;  // the current match's cars, in the order they joined
    double now_ = 0.0;
};

}  // namespace sandbox
