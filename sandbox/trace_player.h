// Plays trace records on the host: moves its virtual clock to each record's time (running the timers
// that fall due), puts the modelled game into the recorded state and fires the recorded events.
#pragma once

#include <functional>
#include <vector>

#include "host/runtime/host.h"
#include "host/runtime/match_control.h"
#include "plugin/match_snapshot.h"
#include "sandbox/trace_record.h"

namespace sandbox {

// Waits for every loaded plug-in's worker thread to finish what it was handed, then runs the outcomes
// it queued for the game thread.
void SettleWorkers(host::Host& host);

class TracePlayer {
public:
    // onFrame renders one frame at the given host time; by default the drawables get a null canvas.
    // beforeRecord sees each record after the clock moved to it and before it is applied.
    using FrameCallback = std::function<void(double t)>;
    using RecordObserver = std::function<void(const TraceRecord&)>;
    explicit TracePlayer(host::Host& host, FrameCallback onFrame = {}, RecordObserver beforeRecord = {});

    // Records must come in time order (a checked trace, or a TraceChecker in front).
    void Play(const TraceRecord& record);
    // After each record, waits for the work the plug-ins handed to their worker threads (files, the
    // history, the dashboard) and applies its outcomes, so that a run's lines and files are the same
    // every time (on by default). The live window turns it off: the game never waits for a plug-in.
    void SettleWorkers(bool settle) { settle_ = settle; }
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

    void Settle();  // as SettleWorkers

    host::Host& host_;
    host::MatchControl match_;
    struct PluginWait {
        host::OwnerId plugin;
        ZandoWaitForWorkerFunction wait;
    };
    std::vector<PluginWait> waits_;  // each loaded plug-in's wait for its worker, by its load
    FrameCallback onFrame_;
    RecordObserver beforeRecord_;
    std::vector<host::game::Car*> cars_;  // the current match's cars, in the order they joined
    double now_ = 0.0;
    bool settle_ = true;
};

}  // namespace sandbox
