// Writing, reading and checking trace lines.
#include "sandbox/trace_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "sandbox/json_line.h"

namespace sandbox {

namespace {

using Json = nlohmann::ordered_json;

const char* TypeName(const RecordBody& body) {
    static constexpr const char* names[] = {"match", "car", "state", "event", "mmr", "console", "frame", "remove_match"};
    return names[body.index()];
}

double Short(float value) { return ShortestDouble(value); }

Json VectorJson(const Vector& v) { return Json::array({Short(v.X), Short(v.Y), Short(v.Z)}); }

// [SECTION] Writing

struct BodyWriter {
    Json& out;
    void operator()(const record::Match& m) const {
        if (m.playlist) {
            out["playlist"] = {{"title", m.playlist->title}, {"ranked", m.playlist->ranked != 0}, {"id", m.playlist->id}};
        } else {
            out["playlist"] = nullptr;
        }
        out["online"] = m.online;
    }
    void operator()(const record::Car& c) const {
        out["team"] = c.team;
        out["name"] = c.name;
        out["local"] = c.local;
        out["location"] = VectorJson(c.location);
        out["boost"] = Short(c.boost);
    }
    void operator()(const record::State& s) const {
        if (s.clock) out["clock"] = Short(*s.clock);
        if (s.overtime) out["overtime"] = *s.overtime;
        if (s.removeBall)
            out["ball"] = nullptr;
        else if (s.ball)
            out["ball"] = VectorJson(*s.ball);
        if (!s.cars.empty()) {
            Json cars = Json::array();
            for (const record::CarState& car : s.cars) {
                Json entry = {Short(car.location.X), Short(car.location.Y), Short(car.location.Z), Short(car.boost)};
                if (car.demolished) entry.push_back(true);  // only then: traces without demolitions read as before
                cars.push_back(std::move(entry));
            }
            out["cars"] = std::move(cars);
        }
    }
    void operator()(const record::Event& e) const {
        out["name"] = NameOf(e.event).traceName;
        if (e.event == GameEvent::CarHitBall || e.event == GameEvent::CarSetInput) out["car"] = e.car;
        if (e.event == GameEvent::StatTickerMessage) {
            out["receiver"] = e.receiver;
            if (e.victim >= 0) out["victim"] = e.victim;
            out["label"] = e.label;
            if (!e.stat.empty()) out["stat"] = e.stat;
        }
    }
    void operator()(const record::Mmr& m) const {
        out["playlist"] = m.playlist;
        out["mmr"] = Short(m.mmr);
    }
    void operator()(const record::Console& c) const { out["statements"] = c.statements; }
    void operator()(const record::Frame&) const {}
    void operator()(const record::RemoveMatch&) const {}
};

// A coordinate after a move, as a reader makes it: the old coordinate as written (its shortest
// text), plus the move, rounded to a float.
float Moved(float from, double move) { return static_cast<float>(Short(from) + move); }

// The move with the fewest decimals that gives back exactly the new coordinate, bit for bit.
std::optional<double> ShortMove(float from, float to) {
    const double exact = Short(to) - Short(from);
    if (!std::isfinite(exact)) return std::nullopt;
    const auto same = [&](double move) {
        return std::bit_cast<std::uint32_t>(Moved(from, move)) == std::bit_cast<std::uint32_t>(to);
    };
    double scale = 1.0;
    for (int decimals = 0; decimals <= 9; ++decimals, scale *= 10.0) {
        const double move = std::round(exact * scale) / scale;
        if (same(move)) return move;
    }
    if (same(exact)) return exact;
    return std::nullopt;
}

// A move as few characters as it reads back: a whole number without its ".0".
Json MoveJson(double move) {
    if (move == std::trunc(move) && std::fabs(move) < 1e15 && !std::signbit(move)) return static_cast<long long>(move);
    return move;
}

// A version-2 state's cars: "moved" when every car's x and y are exact moves from its location
// before (short numbers), else "cars" with locations. An entry is [x, y] when the car's height and
// boost are those of its entry before and it is not demolished. "inputs": false when the SetInputs
// after the state are written out.
void WriteCompactState(Json& out, const record::State& s, const TraceCarMemory& memory, bool inputsImplied) {
    bool moved = memory.cars.size() == s.cars.size();
    std::vector<std::pair<double, double>> moves;
    for (std::size_t i = 0; moved && i < s.cars.size(); ++i) {
        const auto dx = ShortMove(memory.cars[i].x, s.cars[i].location.X);
        const auto dy = ShortMove(memory.cars[i].y, s.cars[i].location.Y);
        moved = dx && dy;
        if (moved) moves.emplace_back(*dx, *dy);
    }
    Json cars = Json::array();
    for (std::size_t i = 0; i < s.cars.size(); ++i) {
        const record::CarState& car = s.cars[i];
        const bool same = !car.demolished && i < memory.cars.size() && memory.cars[i].height == car.location.Z &&
                          memory.cars[i].boost == car.boost;
        Json entry = moved ? Json{MoveJson(moves[i].first), MoveJson(moves[i].second)}
                           : Json{Short(car.location.X), Short(car.location.Y)};
        const bool sameHeight = !car.demolished && i < memory.cars.size() && memory.cars[i].height == car.location.Z;
        if (sameHeight && !same) {
            entry.push_back(Short(car.boost));
        } else if (!same) {
            entry.push_back(Short(car.location.Z));
            entry.push_back(Short(car.boost));
            if (car.demolished) entry.push_back(true);
        }
        cars.push_back(std::move(entry));
    }
    out[moved ? "moved" : "cars"] = std::move(cars);
    if (!inputsImplied) out["inputs"] = false;
}

// [SECTION] Reading

// The fields of one object of a line, taken one by one; whatever is left over at the end is an
// unknown field.
class Fields {
public:
    using Value = JsonLine::Value;
    // what names the object in a reason; a record's fields name its type ("a \"state\" record").
    Fields(JsonLine& line, const Value& object, std::string_view what, std::string_view type = {})
        : line_(line), object_(object), what_(what), type_(type) {}

    bool Has(std::string_view key) const { return line_.Find(object_, key) != nullptr; }
    const Value& Get(std::string_view key) {
        const Value* value = line_.Take(object_, key);
        if (!value) throw TraceError("missing field \"" + std::string(key) + "\" in " + What());
        return *value;
    }
    double Number(std::string_view key) {
        const Value& value = Get(key);
        if (!value.IsNumber()) Mistyped(key, "a number");
        return value.number;
    }
    // A number a float holds: beyond its range it would not be that number any more.
    float Float(std::string_view key) { return ToFloat(key, Get(key)); }
    float ToFloat(std::string_view key, const Value& value) const {
        if (!value.IsNumber()) Mistyped(key, "a number");
        if (!(std::fabs(value.number) <= static_cast<double>(std::numeric_limits<float>::max())))
            Mistyped(key, "a number of at most 3.4e38 either way");
        return static_cast<float>(value.number);
    }
    int Integer(std::string_view key, int low, int high) {
        const Value& value = Get(key);
        if (value.kind != JsonLine::Kind::Integer || value.integer < low || value.integer > high)
            Mistyped(key, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        return static_cast<int>(value.integer);
    }
    bool Bool(std::string_view key) {
        const Value& value = Get(key);
        if (value.kind != JsonLine::Kind::Boolean) Mistyped(key, "true or false");
        return value.boolean;
    }
    std::string String(std::string_view key) {
        const Value& value = Get(key);
        if (value.kind != JsonLine::Kind::String) Mistyped(key, "a string");
        return std::string(line_.Text(value));
    }
    Vector Location(std::string_view key) { return ToVector(key, Get(key)); }
    Vector ToVector(std::string_view key, const Value& value) const {
        const Value* xyz[3];
        if (!Numbers(value, xyz, 3)) Mistyped(key, "a list of three numbers [x, y, z]");
        return {ToFloat(key, *xyz[0]), ToFloat(key, *xyz[1]), ToFloat(key, *xyz[2])};
    }
    // The elements of a list of exactly n numbers, or false.
    bool Numbers(const Value& list, const Value** out, int n) const {
        if (list.kind != JsonLine::Kind::Array || list.size != n) return false;
        for (int i = 0, at = list.first; i < n; ++i, at = line_.At(at).next) {
            out[i] = &line_.At(at);
            if (!out[i]->IsNumber()) return false;
        }
        return true;
    }
    float Fraction(std::string_view key) {
        const double value = Number(key);
        if (!(value >= 0.0 && value <= 1.0)) Mistyped(key, "a fraction of a full tank from 0 to 1");
        return static_cast<float>(value);
    }
    // Names the first field no reader took, in the order of their names.
    void Done() const {
        std::optional<std::string_view> unknown;
        for (int at = object_.first; at >= 0; at = line_.At(at).next) {
            const Value& member = line_.At(at);
            if (!member.taken && (!unknown || line_.KeyOf(member) < *unknown)) unknown = line_.KeyOf(member);
        }
        if (unknown) throw TraceError("unknown field \"" + std::string(*unknown) + "\" in " + What());
    }
    [[noreturn]] void Mistyped(std::string_view key, const std::string& expected) const {
        throw TraceError("field \"" + std::string(key) + "\" in " + What() + " must be " + expected);
    }
    std::string What() const { return type_.empty() ? std::string(what_) : "a \"" + std::string(type_) + "\" record"; }
    JsonLine& Line() const { return line_; }

private:
    JsonLine& line_;
    const Value& object_;
    std::string_view what_, type_;
};

// The line parsed, which must be one object; the values stay valid until the next line of this thread.
JsonLine& ParseObject(std::string_view line) {
    if (line.size() > MaxTraceLineBytes)
        throw TraceError("the line is longer than " + std::to_string(MaxTraceLineBytes) + " bytes, the most a line may hold");
    thread_local JsonLine parsed;
    // A syntax error, and also a number no double holds (1e400).
    if (!parsed.Parse(line, MaxTraceNesting))
        throw TraceError(parsed.TooDeep() ? parsed.Error() : "not valid JSON (" + parsed.Error() + ")");
    if (parsed.Root().kind != JsonLine::Kind::Object) throw TraceError("a line must hold one JSON object");
    return parsed;
}

record::Match ReadMatch(Fields& f) {
    record::Match m;
    const Fields::Value& playlist = f.Get("playlist");
    if (playlist.kind != JsonLine::Kind::Null) {
        if (playlist.kind != JsonLine::Kind::Object) f.Mistyped("playlist", "an object {\"title\", \"ranked\", \"id\"} or null");
        Fields p(f.Line(), playlist, "the playlist");
        host::game::Playlist value;
        value.title = p.String("title");
        value.ranked = p.Bool("ranked") ? 1 : 0;
        value.id = p.Integer("id", 0, 100000);
        p.Done();
        m.playlist = value;
    }
    if (f.Has("online")) m.online = f.Bool("online");
    return m;
}

record::Car ReadCar(Fields& f) {
    record::Car c;
    c.team = f.Integer("team", 0, 1);
    c.name = f.String("name");
    if (f.Has("local")) c.local = f.Bool("local");
    c.location = f.Location("location");
    c.boost = f.Fraction("boost");
    return c;
}

record::State ReadState(Fields& f, int version) {
    record::State s;
    if (f.Has("clock")) {
        s.clock = f.Float("clock");
        if (!(*s.clock >= 0.0f) || !std::isfinite(*s.clock)) f.Mistyped("clock", "a number of seconds, 0 or more");
    }
    if (f.Has("overtime")) s.overtime = f.Bool("overtime");
    if (f.Has("ball")) {
        const Fields::Value& ball = f.Get("ball");
        if (ball.kind == JsonLine::Kind::Null)
            s.removeBall = true;
        else
            s.ball = f.ToVector("ball", ball);
    }
    if (version >= 2 && f.Has("frame")) s.compact.frameBefore = f.Bool("frame");
    if (version >= 2 && f.Has("ballMoved")) {
        if (f.Has("ball")) f.Mistyped("ballMoved", "not beside \"ball\"");
        const Fields::Value* move[3];
        if (!f.Numbers(f.Get("ballMoved"), move, 3)) f.Mistyped("ballMoved", "a list of three numbers [x, y, z]");
        s.compact.ballMove = std::array<double, 3>{move[0]->number, move[1]->number, move[2]->number};
    }
    const bool moved = version >= 2 && f.Has("moved");
    if (moved && f.Has("cars")) f.Mistyped("moved", "not beside \"cars\"");
    if (f.Has("cars") || moved) {
        const char* key = moved ? "moved" : "cars";
        const Fields::Value& cars = f.Get(key);
        s.compact.moved = moved;
        const char* expected =
            version >= 2 ? "a list of [x, y, z, boost] (boost from 0 to 1, then true for a demolished car), "
                           "[x, y, boost] (height as before) or [x, y] (height and boost as before), one for every car"
                         : "a list of [x, y, z, boost] (boost from 0 to 1, then true for a demolished car), one for every car";
        if (cars.kind != JsonLine::Kind::Array || cars.size == 0) f.Mistyped(key, expected);
        const JsonLine& line = f.Line();
        const auto isBoost = [](const Fields::Value& value) { return value.number >= 0.0 && value.number <= 1.0; };
        for (int at = cars.first; at >= 0; at = line.At(at).next) {
            const Fields::Value& car = line.At(at);
            // The entry's elements: up to four numbers, then the demolished flag.
            const Fields::Value* e[5] = {};
            if (car.kind != JsonLine::Kind::Array || car.size < 2 || car.size > 5) f.Mistyped(key, expected);
            int n = 0;
            for (int el = car.first; el >= 0; el = line.At(el).next) e[n++] = &line.At(el);
            for (int i = 0; i < std::min(n, 4); ++i)
                if (!e[i]->IsNumber()) f.Mistyped(key, expected);
            std::optional<float> boostOnly;  // [x, y, boost]: the height as before
            if (version >= 2 && n == 2) {
                s.compact.shortEntry.push_back(true);
            } else if (version >= 2 && n == 3) {
                if (!isBoost(*e[2])) f.Mistyped(key, expected);
                s.compact.shortEntry.push_back(true);
                boostOnly = static_cast<float>(e[2]->number);
            } else {
                if (version >= 2) s.compact.shortEntry.push_back(false);
                if (n < 4 || !isBoost(*e[3]) || (n == 5 && e[4]->kind != JsonLine::Kind::Boolean)) f.Mistyped(key, expected);
            }
            if (s.compact.shortEntry.size() > s.compact.boostGiven.size()) s.compact.boostGiven.push_back(boostOnly.has_value());
            const bool demolished = n == 5 && e[4]->boolean;
            if (moved) {
                s.compact.moves.emplace_back(e[0]->number, e[1]->number);
                s.cars.push_back({{0.0f, 0.0f, n > 3 ? f.ToFloat(key, *e[2]) : 0.0f},
                                  n > 3 ? static_cast<float>(e[3]->number) : boostOnly.value_or(0.0f),
                                  demolished});
                continue;
            }
            if (n <= 3) {
                s.cars.push_back({{f.ToFloat(key, *e[0]), f.ToFloat(key, *e[1]), 0.0f}, boostOnly.value_or(0.0f), false});
                continue;
            }
            // Each coordinate must fit a float, as every other position must.
            s.cars.push_back({{f.ToFloat(key, *e[0]), f.ToFloat(key, *e[1]), f.ToFloat(key, *e[2])},
                              static_cast<float>(e[3]->number),
                              demolished});
        }
        if (version >= 2) s.compact.inputsImplied = !f.Has("inputs") || f.Bool("inputs");
    } else if (version >= 2 && f.Has("inputs")) {
        f.Mistyped("inputs", "only in a state with \"cars\" or \"moved\"");
    }
    return s;
}

record::Event ReadEvent(Fields& f) {
    record::Event e;
    const std::string name = f.String("name");
    const std::optional<GameEvent> event = EventFromTraceName(name);
    if (!event) throw TraceError("unknown event \"" + name + "\"");
    e.event = *event;
    if (e.event == GameEvent::CarHitBall || e.event == GameEvent::CarSetInput) e.car = f.Integer("car", 0, 1000);
    if (e.event == GameEvent::StatTickerMessage) {
        e.receiver = f.Integer("receiver", 0, 1000);
        if (f.Has("victim")) e.victim = f.Integer("victim", 0, 1000);
        e.label = f.String("label");
        if (f.Has("stat")) e.stat = f.String("stat");
    }
    return e;
}

}  // namespace

// [SECTION] Event names

const std::vector<GameEventName>& GameEventNames() {
    static const std::vector<GameEventName> names = {
        {GameEvent::InitGame, "InitGame", "Function TAGame.GameEvent_Soccar_TA.InitGame"},
        {GameEvent::ActiveBeginState, "Active.BeginState", "Function GameEvent_Soccar_TA.Active.BeginState"},
        {GameEvent::CountdownEndState, "Countdown.EndState", "Function GameEvent_Soccar_TA.Countdown.EndState"},
        {GameEvent::MatchEnded, "EventMatchEnded", "Function TAGame.GameEvent_Soccar_TA.EventMatchEnded"},
        {GameEvent::ScoreUpdated, "EventScoreUpdated", "Function TAGame.Team_TA.EventScoreUpdated"},
        {GameEvent::CountdownBeginState, "Countdown.BeginState", "Function GameEvent_Soccar_TA.Countdown.BeginState"},
        {GameEvent::MatchWinnerSet, "EventMatchWinnerSet", "Function TAGame.GameEvent_Soccar_TA.EventMatchWinnerSet"},
        {GameEvent::MatchDestroyed, "Destroyed", "Function TAGame.GameEvent_Soccar_TA.Destroyed"},
        {GameEvent::BallHitGoal, "OnHitGoal", "Function TAGame.Ball_TA.OnHitGoal"},
        {GameEvent::CarHitBall, "EventHitBall", "Function TAGame.Car_TA.EventHitBall"},
        {GameEvent::StatTickerMessage, "HandleStatTickerMessage", "Function TAGame.GFxHUD_TA.HandleStatTickerMessage"},
        {GameEvent::CarSetInput, "SetInput", "Function TAGame.Car_TA.SetInput"},
    };
    return names;
}

const GameEventName& NameOf(GameEvent event) { return GameEventNames()[static_cast<std::size_t>(event)]; }

std::optional<GameEvent> EventFromTraceName(const std::string& traceName) {
    for (const GameEventName& name : GameEventNames())
        if (traceName == name.traceName) return name.event;
    return std::nullopt;
}

// [SECTION] Lines

double ShortestDouble(float value) {
    // Below 2^24 the shortest text is the one with the fewest decimals that reads back as the float:
    // the float times 10^d is then exact (24 + 28 bits for d up to 12), its nearest whole number k
    // is the closest d-decimal text, and k / 10^d is that text's double, rounded once.
    static constexpr double Powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
    const double exact = value;
    if (std::fabs(exact) < 16777216.0) {
        for (const double power : Powers) {
            const double k = std::nearbyint(exact * power);
            if (std::fabs(k) >= 9007199254740992.0) break;  // 2^53: no longer exact
            const double candidate = k / power;
            if (static_cast<float>(candidate) == value) return candidate;
        }
    }
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double shortest = exact;
    std::from_chars(text, end, shortest);
    return shortest;
}

std::string FormatHeader(const TraceHeader& header) {
    Json out;
    out["trace"] = "zando";
    out["version"] = header.version;
    out["source"] = header.source;
    return out.dump();
}

std::string FormatRecord(const TraceRecord& record) {
    Json out;
    out["t"] = record.t;
    out["type"] = TypeName(record.body);
    std::visit(BodyWriter{out}, record.body);
    return out.dump();
}

std::string FormatCompactRecord(const TraceRecord& record, const TraceCarMemory& memory, bool inputsImplied) {
    const auto* state = std::get_if<record::State>(&record.body);
    if (state && state->compact.inputsOnly) {
        Json out;
        out["t"] = record.t;
        out["type"] = "inputs";
        return out.dump();
    }
    if (!state) return FormatRecord(record);
    Json out;
    out["t"] = record.t;
    out["type"] = "state";
    if (state->compact.frameBefore) out["frame"] = true;
    record::State rest = *state;
    rest.cars.clear();
    // A ball where it was is left out (an absent field keeps its value); one that moved is written as
    // its move from there, when that is exact for all three coordinates.
    const auto bits = [](const Vector& v) {
        return std::array{std::bit_cast<std::uint32_t>(v.X), std::bit_cast<std::uint32_t>(v.Y),
                          std::bit_cast<std::uint32_t>(v.Z)};
    };
    if (state->ball && !state->removeBall && memory.ball && bits(*state->ball) == bits(*memory.ball)) rest.ball.reset();
    if (rest.ball && !state->removeBall && memory.ball) {
        const auto dx = ShortMove(memory.ball->X, state->ball->X), dy = ShortMove(memory.ball->Y, state->ball->Y),
                   dz = ShortMove(memory.ball->Z, state->ball->Z);
        if (dx && dy && dz) {
            rest.ball.reset();
            BodyWriter{out}(rest);
            out["ballMoved"] = {MoveJson(*dx), MoveJson(*dy), MoveJson(*dz)};
            if (!state->cars.empty()) WriteCompactState(out, *state, memory, inputsImplied);
            return out.dump();
        }
    }
    BodyWriter{out}(rest);
    if (!state->cars.empty()) WriteCompactState(out, *state, memory, inputsImplied);
    return out.dump();
}

void TraceCarMemory::Update(const TraceRecord& record) {
    if (std::holds_alternative<record::Match>(record.body) || std::holds_alternative<record::RemoveMatch>(record.body)) {
        cars.clear();
        ball.reset();
    } else if (const auto* car = std::get_if<record::Car>(&record.body)) {
        cars.push_back({car->location.X, car->location.Y, car->location.Z, car->boost});
    } else if (const auto* state = std::get_if<record::State>(&record.body)) {
        for (std::size_t i = 0; i < state->cars.size() && i < cars.size(); ++i)
            cars[i] = {state->cars[i].location.X, state->cars[i].location.Y, state->cars[i].location.Z, state->cars[i].boost};
        if (state->removeBall)
            ball.reset();
        else if (state->ball)
            ball = state->ball;
    }
}

TraceHeader ParseHeader(std::string_view line) {
    JsonLine& parsed = ParseObject(line);
    Fields f(parsed, parsed.Root(), "the header");
    if (f.String("trace") != "zando") throw TraceError("not a ZANDO trace: the header's \"trace\" must be \"zando\"");
    TraceHeader header;
    header.version = f.Integer("version", 0, 1000000);
    if (header.version < OldestTraceFormatVersion || header.version > TraceFormatVersion)
        throw TraceError("trace format version " + std::to_string(header.version) +
                         " is not supported (this sandbox reads versions " + std::to_string(OldestTraceFormatVersion) + " to " +
                         std::to_string(TraceFormatVersion) + ")");
    if (f.Has("source")) header.source = f.String("source");
    f.Done();
    return header;
}

TraceRecord ParseRecord(std::string_view line, int version) {
    JsonLine& parsed = ParseObject(line);
    Fields top(parsed, parsed.Root(), "the record");
    TraceRecord record;
    record.t = top.Number("t");
    if (!(record.t >= 0.0) || !std::isfinite(record.t)) top.Mistyped("t", "a number of seconds, 0 or more");
    const std::string type = top.String("type");
    Fields f(parsed, parsed.Root(), {}, type);
    f.Get("t");
    f.Get("type");
    if (type == "match")
        record.body = ReadMatch(f);
    else if (type == "car")
        record.body = ReadCar(f);
    else if (type == "state")
        record.body = ReadState(f, version);
    else if (type == "event")
        record.body = ReadEvent(f);
    else if (type == "mmr")
        record.body = record::Mmr{f.Integer("playlist", 0, 100000), f.Float("mmr")};
    else if (type == "console")
        record.body = record::Console{f.String("statements")};
    else if (type == "frame")
        record.body = record::Frame{};
    else if (type == "inputs" && version >= 2) {
        record::State inputs;
        inputs.compact.inputsImplied = inputs.compact.inputsOnly = true;
        record.body = inputs;
    } else if (type == "remove_match")
        record.body = record::RemoveMatch{};
    else
        throw TraceError("unknown record type \"" + type + "\"");
    f.Done();
    return record;
}

// [SECTION] The trace as a whole

void TraceChecker::CheckTime(double t) {
    if (t < lastTime_) {
        std::ostringstream reason;
        reason << "time goes backwards: " << t << " s after " << lastTime_ << " s";
        throw TraceError(reason.str());
    }
    lastTime_ = t;
}

void TraceChecker::Check(const TraceRecord& record) {
    CheckTime(record.t);
    const auto needMatch = [&](const char* what) {
        if (!matchOpen_) throw TraceError(std::string(what) + " needs a match, and no match has been started");
    };
    const auto needCar = [&](int car, const char* role) {
        needMatch("an event about a car");
        if (car >= cars_)
            throw TraceError(std::string(role) + " " + std::to_string(car) + " does not exist (the match has " +
                             std::to_string(cars_) + (cars_ == 1 ? " car)" : " cars)"));
    };
    if (const auto* match = std::get_if<record::Match>(&record.body)) {
        (void)match;
        matchOpen_ = true;
        cars_ = 0;
        localCar_ = false;
    } else if (const auto* car = std::get_if<record::Car>(&record.body)) {
        needMatch("a car");
        if (car->local && localCar_) throw TraceError("a second local car: the match already has one");
        localCar_ = localCar_ || car->local;
        ++cars_;
    } else if (const auto* state = std::get_if<record::State>(&record.body)) {
        if (state->clock || state->overtime || state->ball || state->removeBall) needMatch("a match state");
        if (state->compact.inputsOnly) needMatch("an \"inputs\" line (each car's input)");
        if (!state->cars.empty() && static_cast<int>(state->cars.size()) != cars_) {
            needMatch("a cars list");
            throw TraceError("the \"cars\" list has " + std::to_string(state->cars.size()) + " entries, but the match has " +
                             std::to_string(cars_) + (cars_ == 1 ? " car" : " cars"));
        }
    } else if (const auto* event = std::get_if<record::Event>(&record.body)) {
        if (event->car >= 0) needCar(event->car, "car");
        if (event->event == GameEvent::StatTickerMessage) {
            needCar(event->receiver, "receiver car");
            if (event->victim >= 0) needCar(event->victim, "victim car");
        }
    } else if (std::holds_alternative<record::RemoveMatch>(record.body)) {
        matchOpen_ = false;
        cars_ = 0;
        localCar_ = false;
    }
}

bool ReadBoundedLine(std::istream& in, std::string& line) {
    std::streambuf* buffer = in.rdbuf();
    return ReadBoundedLine(
        [&] {
            const int c = buffer->sbumpc();
            if (c != std::char_traits<char>::eof()) return c;
            in.setstate(std::ios::eofbit);
            return -1;
        },
        line);
}

void TraceDecoder::Line(std::string_view line, std::vector<TraceRecord>& out) {
    if (!headerSeen_) {
        header_ = ParseHeader(line);
        headerSeen_ = true;
        return;
    }
    TraceRecord record = ParseRecord(line, header_.version);
    if (auto* state = std::get_if<record::State>(&record.body); state && !state->compact.shortEntry.empty()) {
        // A move is added to the car's location before, a short entry takes the height and boost of its
        // entry before; a list that does not fit the match's cars is the checker's to refuse.
        if (state->cars.size() != memory_.cars.size())
            throw TraceError("the \"" + std::string(state->compact.moved ? "moved" : "cars") + "\" list has " +
                             std::to_string(state->cars.size()) + " entries, but the match has " +
                             std::to_string(memory_.cars.size()) + (memory_.cars.size() == 1 ? " car" : " cars"));
        for (std::size_t i = 0; i < state->cars.size(); ++i) {
            record::CarState& car = state->cars[i];
            if (state->compact.moved) {
                car.location.X = Moved(memory_.cars[i].x, state->compact.moves[i].first);
                car.location.Y = Moved(memory_.cars[i].y, state->compact.moves[i].second);
                if (!std::isfinite(car.location.X) || !std::isfinite(car.location.Y))
                    throw TraceError("a move in \"moved\" takes car " + std::to_string(i) + " beyond 3.4e38");
            }
            if (!state->compact.shortEntry[i]) continue;
            car.location.Z = memory_.cars[i].height;
            if (!state->compact.boostGiven[i]) car.boost = memory_.cars[i].boost;
        }
    }
    if (auto* state = std::get_if<record::State>(&record.body); state && state->compact.ballMove) {
        if (!memory_.ball) throw TraceError("\"ballMoved\" needs the ball's location from a line before");
        const auto& move = *state->compact.ballMove;
        const Vector ball{Moved(memory_.ball->X, move[0]), Moved(memory_.ball->Y, move[1]), Moved(memory_.ball->Z, move[2])};
        if (!std::isfinite(ball.X) || !std::isfinite(ball.Y) || !std::isfinite(ball.Z))
            throw TraceError("\"ballMoved\" takes the ball beyond 3.4e38");
        state->ball = ball;
    }
    const auto* state = std::get_if<record::State>(&record.body);
    if (state && state->compact.frameBefore) {
        const TraceRecord frame{record.t, record::Frame{}};
        checker_.Check(frame);
        out.push_back(frame);
    }
    const bool inputsOnly = state && state->compact.inputsOnly;
    checker_.Check(record);  // an "inputs" line too: held to the clock and to a match like any other
    if (!inputsOnly) memory_.Update(record);
    const int implied = !state || !state->compact.inputsImplied ? 0
                        : inputsOnly                            ? static_cast<int>(memory_.cars.size())
                                                                : static_cast<int>(state->cars.size());
    record::Event setInput;
    setInput.event = GameEvent::CarSetInput;
    TraceRecord input{record.t, setInput};
    if (!inputsOnly) out.push_back(std::move(record));
    for (int car = 0; car < implied; ++car) {
        std::get<record::Event>(input.body).car = car;
        out.push_back(input);
    }
}

Trace ReadTrace(std::istream& in) {
    Trace trace;
    TraceDecoder decoder;
    std::string line;
    std::size_t number = 0;
    // Lines are read up to the longest a trace may hold: the rest of a longer one is not kept.
    while (ReadBoundedLine(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        try {
            decoder.Line(line, trace.records);
        } catch (const TraceError& e) {
            throw TraceError("line " + std::to_string(number) + ": " + e.what());
        }
    }
    if (in.bad()) throw TraceError("the trace could not be read");
    if (!decoder.HeaderSeen()) throw TraceError(EmptyTraceReason());
    trace.header = decoder.Header();
    return trace;
}

std::string EmptyTraceReason() {
    return "the trace is empty: its first line must be the header {\"trace\":\"zando\",\"version\":" +
           std::to_string(TraceFormatVersion) + "}";
}

}  // namespace sandbox
