// Playing trace records on the host runtime.
#include "sandbox/trace_player.h"

namespace sandbox {

TracePlayer::TracePlayer(host::Host& host, FrameCallback onFrame, RecordObserver beforeRecord)
    : host_(host), match_(host), onFrame_(std::move(onFrame)), beforeRecord_(std::move(beforeRecord)) {}

void TracePlayer::Play(const TraceRecord& record) {
    if (record.t > now_) {
        host_.Advance(record.t - now_);
        now_ = record.t;
    }
    if (beforeRecord_) beforeRecord_(record);
    std::visit([this](const auto& body) { Apply(body); }, record.body);
    if (settle_) Settle();
}

namespace {

ZandoWaitForWorkerFunction WaitOf(const host::LoadedPlugin& plugin) {
    return reinterpret_cast<ZandoWaitForWorkerFunction>(plugin.library->Symbol(ZandoWaitForWorkerSymbol));
}

constexpr int SettleTimeoutMs = 60000;  // longer than any exchange's time-outs

}  // namespace

void SettleWorkers(host::Host& host) {
    for (const auto& plugin : host.Plugins())
        if (const auto wait = WaitOf(*plugin)) wait(SettleTimeoutMs);
    host.GetScheduler().RunPending();
}

void TracePlayer::Settle() {
    // Each plug-in's wait is looked up once while it stays loaded, not after every record.
    const auto& plugins = host_.Plugins();
    bool same = waits_.size() == plugins.size();
    for (std::size_t i = 0; same && i < plugins.size(); ++i) same = waits_[i].plugin == plugins[i]->id;
    if (!same) {
        waits_.clear();
        for (const auto& plugin : plugins) waits_.push_back({plugin->id, WaitOf(*plugin)});
    }
    for (const PluginWait& each : waits_)
        if (each.wait) each.wait(SettleTimeoutMs);
    host_.GetScheduler().RunPending();
}

void TracePlayer::Apply(const record::Match& m) {
    match_.StartMatch(m.playlist ? &*m.playlist : nullptr);
    host_.World().onlineGame = m.online;
    cars_.clear();
}

void TracePlayer::Apply(const record::Car& c) { cars_.push_back(&match_.AddCar(c.team, c.location, c.local, c.boost, c.name)); }

void TracePlayer::Apply(const record::State& s) {
    if (!host_.World().currentGame) return;  // nothing to change: a checked trace names no match state without a match
    host::game::Server& server = match_.Match();
    if (s.clock) server.secondsElapsed = *s.clock;
    if (s.overtime) server.overtime = *s.overtime;
    if (s.removeBall)
        server.ball.reset();
    else if (s.ball)
        match_.SetBall(*s.ball);
    for (std::size_t i = 0; i < s.cars.size() && i < cars_.size(); ++i) {
        cars_[i]->location = s.cars[i].location;
        cars_[i]->demolished = s.cars[i].demolished;
        if (cars_[i]->boost) cars_[i]->boost->amount = s.cars[i].boost;
    }
}

void TracePlayer::Apply(const record::Event& e) {
    switch (e.event) {
    case GameEvent::BallHitGoal: match_.BallHitGoal(); return;
    case GameEvent::CarHitBall: match_.CarHitBall(*cars_.at(static_cast<std::size_t>(e.car))); return;
    case GameEvent::CarSetInput: match_.CarInput(*cars_.at(static_cast<std::size_t>(e.car))); return;
    case GameEvent::StatTickerMessage: {
        const host::game::Car* victim = e.victim >= 0 ? cars_.at(static_cast<std::size_t>(e.victim)) : nullptr;
        match_.StatTicker(*cars_.at(static_cast<std::size_t>(e.receiver)), e.label, victim, e.stat);
        return;
    }
    default:
        // The match's own functions: the match object is the caller (none outside a match).
        host_.FireEvent(NameOf(e.event).functionName, reinterpret_cast<std::uintptr_t>(host_.World().currentGame.get()));
        return;
    }
}

void TracePlayer::Apply(const record::Mmr& m) { match_.SetMmr(m.playlist, m.mmr); }

void TracePlayer::Apply(const record::Console& c) { host_.GetConsole().Execute(c.statements); }

void TracePlayer::Apply(const record::Frame&) {
    if (onFrame_)
        onFrame_(now_);
    else
        host_.RenderFrame(nullptr);
}

void TracePlayer::Apply(const record::RemoveMatch&) {
    match_.RemoveMatch();
    cars_.clear();
}

}  // namespace sandbox
