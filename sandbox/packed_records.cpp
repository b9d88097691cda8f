// Packing checked trace records into bytes and reading them back: a tag byte a record (its kind, and
// whether its time is the one before), then its fields; counts as 7-bit groups, floats and doubles as
// their bytes, so that every value reads back bit for bit.
#include "sandbox/packed_records.h"

#include <cstring>
#include <type_traits>
#include <variant>

namespace sandbox {

namespace {

static_assert(std::is_same_v<std::variant_alternative_t<0, RecordBody>, record::Match> &&
              std::is_same_v<std::variant_alternative_t<1, RecordBody>, record::Car> &&
              std::is_same_v<std::variant_alternative_t<2, RecordBody>, record::State> &&
              std::is_same_v<std::variant_alternative_t<3, RecordBody>, record::Event> &&
              std::is_same_v<std::variant_alternative_t<4, RecordBody>, record::Mmr> &&
              std::is_same_v<std::variant_alternative_t<5, RecordBody>, record::Console> &&
              std::is_same_v<std::variant_alternative_t<6, RecordBody>, record::Frame> &&
              std::is_same_v<std::variant_alternative_t<7, RecordBody>, record::RemoveMatch> &&
              std::variant_size_v<RecordBody> == 8);  // the tags read back below

constexpr std::uint8_t SameTime = 0x80;  // in the tag: the record's time is the record's before

// Flags of a match and of a state.
constexpr std::uint8_t HasPlaylist = 1, Online = 2, Ranked = 4;
constexpr std::uint8_t HasClock = 1, HasOvertime = 2, Overtime = 4, HasBall = 8, RemoveBall = 16;

// A car number, -1 for none, as a count.
std::uint32_t CarCount(int car) { return static_cast<std::uint32_t>(car + 1); }
int CarOf(std::uint32_t count) { return static_cast<int>(count) - 1; }

}  // namespace

void PackedRecords::Count(std::uint32_t value) {
    while (value >= 0x80) {
        Byte(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    Byte(static_cast<std::uint8_t>(value));
}

void PackedRecords::Float(float value) {
    std::uint8_t raw[sizeof value];
    std::memcpy(raw, &value, sizeof value);
    bytes_.insert(bytes_.end(), raw, raw + sizeof raw);
}

void PackedRecords::Double(double value) {
    std::uint8_t raw[sizeof value];
    std::memcpy(raw, &value, sizeof value);
    bytes_.insert(bytes_.end(), raw, raw + sizeof raw);
}

void PackedRecords::Text(const std::string& value) {
    Count(static_cast<std::uint32_t>(value.size()));
    bytes_.insert(bytes_.end(), value.begin(), value.end());
}

void PackedRecords::Location(const Vector& value) {
    Float(value.X);
    Float(value.Y);
    Float(value.Z);
}

void PackedRecords::Clear() {
    std::vector<std::uint8_t>().swap(bytes_);
    records_ = 0;
    lastTime_ = -1.0;
}

void PackedRecords::Add(const TraceRecord& record) {
    const bool sameTime = record.t == lastTime_ && records_ > 0;
    Byte(static_cast<std::uint8_t>(record.body.index() | (sameTime ? SameTime : 0)));
    if (!sameTime) Double(record.t);
    lastTime_ = record.t;
    ++records_;
    std::visit(
        [this](const auto& body) {
            using Body = std::decay_t<decltype(body)>;
            if constexpr (std::is_same_v<Body, record::Match>) {
                Byte(static_cast<std::uint8_t>((body.playlist ? HasPlaylist : 0) | (body.online ? Online : 0) |
                                               (body.playlist && body.playlist->ranked ? Ranked : 0)));
                if (body.playlist) {
                    Text(body.playlist->title);
                    Count(static_cast<std::uint32_t>(body.playlist->id));
                }
            } else if constexpr (std::is_same_v<Body, record::Car>) {
                Byte(static_cast<std::uint8_t>(body.team));
                Text(body.name);
                Byte(body.local ? 1 : 0);
                Location(body.location);
                Float(body.boost);
            } else if constexpr (std::is_same_v<Body, record::State>) {
                Byte(static_cast<std::uint8_t>((body.clock ? HasClock : 0) | (body.overtime ? HasOvertime : 0) |
                                               (body.overtime.value_or(false) ? Overtime : 0) | (body.ball ? HasBall : 0) |
                                               (body.removeBall ? RemoveBall : 0)));
                if (body.clock) Float(*body.clock);
                if (body.ball) Location(*body.ball);
                Count(static_cast<std::uint32_t>(body.cars.size()));
                for (const record::CarState& car : body.cars) {
                    Location(car.location);
                    Float(car.boost);
                    Byte(car.demolished ? 1 : 0);
                }
            } else if constexpr (std::is_same_v<Body, record::Event>) {
                Byte(static_cast<std::uint8_t>(body.event));
                Count(CarCount(body.car));
                if (body.event == GameEvent::StatTickerMessage) {
                    Count(CarCount(body.receiver));
                    Count(CarCount(body.victim));
                    Text(body.label);
                    Text(body.stat);
                }
            } else if constexpr (std::is_same_v<Body, record::Mmr>) {
                Count(static_cast<std::uint32_t>(body.playlist));
                Float(body.mmr);
            } else if constexpr (std::is_same_v<Body, record::Console>) {
                Text(body.statements);
            }
        },
        record.body);
}

std::uint8_t PackedRecords::Cursor::Byte() { return bytes_[at_++]; }

std::uint32_t PackedRecords::Cursor::Count() {
    std::uint32_t value = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t byte = Byte();
        value |= static_cast<std::uint32_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80)) return value;
    }
}

float PackedRecords::Cursor::Float() {
    float value;
    std::memcpy(&value, bytes_.data() + at_, sizeof value);
    at_ += sizeof value;
    return value;
}

double PackedRecords::Cursor::Double() {
    double value;
    std::memcpy(&value, bytes_.data() + at_, sizeof value);
    at_ += sizeof value;
    return value;
}

std::string PackedRecords::Cursor::Text() {
    const std::size_t size = Count();
    std::string value(reinterpret_cast<const char*>(bytes_.data() + at_), size);
    at_ += size;
    return value;
}

Vector PackedRecords::Cursor::Location() {
    const float x = Float(), y = Float();
    return {x, y, Float()};
}

bool PackedRecords::Cursor::Next(TraceRecord& record) {
    if (at_ >= bytes_.size()) return false;
    const std::uint8_t tag = Byte();
    if (!(tag & SameTime)) t_ = Double();
    record.t = t_;
    switch (tag & ~SameTime) {
    case 0: {
        record::Match m;
        const std::uint8_t flags = Byte();
        m.online = flags & Online;
        if (flags & HasPlaylist) {
            host::game::Playlist playlist;
            playlist.title = Text();
            playlist.ranked = (flags & Ranked) ? 1 : 0;
            playlist.id = static_cast<int>(Count());
            m.playlist = playlist;
        }
        record.body = std::move(m);
        break;
    }
    case 1: {
        record::Car c;
        c.team = Byte();
        c.name = Text();
        c.local = Byte() != 0;
        c.location = Location();
        c.boost = Float();
        record.body = std::move(c);
        break;
    }
    case 2: {
        // A state reuses the car list of the record it replaces when that was a state too.
        record::State* s = std::get_if<record::State>(&record.body);
        std::vector<record::CarState> cars = s ? std::move(s->cars) : std::vector<record::CarState>{};
        record::State state;
        const std::uint8_t flags = Byte();
        if (flags & HasClock) state.clock = Float();
        if (flags & HasOvertime) state.overtime = (flags & Overtime) != 0;
        if (flags & HasBall) state.ball = Location();
        state.removeBall = flags & RemoveBall;
        cars.resize(Count());
        for (record::CarState& car : cars) {
            car.location = Location();
            car.boost = Float();
            car.demolished = Byte() != 0;
        }
        state.cars = std::move(cars);
        record.body = std::move(state);
        break;
    }
    case 3: {
        record::Event e;
        e.event = static_cast<GameEvent>(Byte());
        e.car = CarOf(Count());
        if (e.event == GameEvent::StatTickerMessage) {
            e.receiver = CarOf(Count());
            e.victim = CarOf(Count());
            e.label = Text();
            e.stat = Text();
        }
        record.body = std::move(e);
        break;
    }
    case 4: {
        const int playlist = static_cast<int>(Count());
        record.body = record::Mmr{playlist, Float()};
        break;
    }
    case 5: record.body = record::Console{Text()}; break;
    case 6: record.body = record::Frame{}; break;
    default: record.body = record::RemoveMatch{}; break;
    }
    return true;
}

}  // namespace sandbox
