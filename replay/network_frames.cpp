// Decoding the network frames. Each actor's class says which properties its updates carry and how they
// are encoded; the class net cache numbers them, a class having its parents' too.
#include "replay/network_frames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "replay/attribute_decoding.h"
#include "replay/bit_reader.h"
#include "replay/net_classes.h"

namespace replay {

namespace {

// What the match needs of a property.
enum class Role : std::uint8_t {
    None,
    RigidBody,
    PlayerName,
    UniqueId,
    Bot,
    PriTeam,
    PawnPri,
    Vehicle,
    BoostAmount,
    BoostActive,
    Score,
    Goals,
    Shots,
    Saves,
    Assists,
    SecondsRemaining,
    Overtime,
    RoundCountdown,
    StateName,
    MatchEnded,
    BallHasBeenHit,
    TeamScore,
    Playlist,
    Demolish,
    HitTeamNum,
};

Role RoleOf(std::string_view name) {
    static const std::unordered_map<std::string_view, Role> roles = {
        {"TAGame.RBActor_TA:ReplicatedRBState", Role::RigidBody},
        {"Engine.PlayerReplicationInfo:PlayerName", Role::PlayerName},
        {"Engine.PlayerReplicationInfo:UniqueId", Role::UniqueId},
        {"Engine.PlayerReplicationInfo:bBot", Role::Bot},
        {"Engine.PlayerReplicationInfo:Team", Role::PriTeam},
        {"Engine.Pawn:PlayerReplicationInfo", Role::PawnPri},
        {"TAGame.CarComponent_TA:Vehicle", Role::Vehicle},
        {"TAGame.CarComponent_Boost_TA:ReplicatedBoostAmount", Role::BoostAmount},
        {"TAGame.CarComponent_Boost_TA:ReplicatedBoost", Role::BoostAmount},
        {"TAGame.CarComponent_TA:ReplicatedActive", Role::BoostActive},
        {"TAGame.PRI_TA:MatchScore", Role::Score},
        {"TAGame.PRI_TA:MatchGoals", Role::Goals},
        {"TAGame.PRI_TA:MatchShots", Role::Shots},
        {"TAGame.PRI_TA:MatchSaves", Role::Saves},
        {"TAGame.PRI_TA:MatchAssists", Role::Assists},
        {"TAGame.GameEvent_Soccar_TA:SecondsRemaining", Role::SecondsRemaining},
        {"TAGame.GameEvent_Soccar_TA:bOverTime", Role::Overtime},
        {"TAGame.GameEvent_TA:ReplicatedRoundCountDownNumber", Role::RoundCountdown},
        {"TAGame.GameEvent_TA:ReplicatedStateName", Role::StateName},
        {"TAGame.GameEvent_Soccar_TA:bMatchEnded", Role::MatchEnded},
        {"TAGame.GameEvent_Soccar_TA:bBallHasBeenHit", Role::BallHasBeenHit},
        {"Engine.TeamInfo:Score", Role::TeamScore},
        {"ProjectX.GRI_X:ReplicatedGamePlaylist", Role::Playlist},
        {"TAGame.Car_TA:ReplicatedDemolish", Role::Demolish},
        {"TAGame.Car_TA:ReplicatedDemolishExtended", Role::Demolish},
        {"TAGame.Car_TA:ReplicatedDemolishGoalExplosion", Role::Demolish},
        {"TAGame.Car_TA:ReplicatedDemolish_CustomFX", Role::Demolish},
        {"TAGame.Ball_TA:HitTeamNum", Role::HitTeamNum},
    };
    const auto found = roles.find(name);
    return found == roles.end() ? Role::None : found->second;
}

enum class ActorType : std::uint8_t { Other, Ball, Car, Pri, Boost, Game, Team, Gri };

ActorType TypeOfClass(std::string_view name) {
    if (name.starts_with("TAGame.Ball_")) return ActorType::Ball;
    if (name.starts_with("TAGame.Car_")) return ActorType::Car;
    if (name == "TAGame.PRI_TA") return ActorType::Pri;
    if (name == "TAGame.CarComponent_Boost_TA") return ActorType::Boost;
    if (name.starts_with("TAGame.GameEvent_")) return ActorType::Game;
    if (name.starts_with("TAGame.Team_")) return ActorType::Team;
    if (name == "TAGame.GRI_TA") return ActorType::Gri;
    return ActorType::Other;
}

struct StreamProperty {
    int object = -1;  // the property's name among the objects; -1: no property has this number
    bool known = false;
    AttributeKind kind = AttributeKind::Boolean;
    Role role = Role::None;
};

struct ClassNet {
    std::string_view className;
    ActorType type = ActorType::Other;
    Trajectory trajectory = Trajectory::None;
    std::uint32_t maxStreamId = 0;
    std::vector<StreamProperty> properties;  // by stream id
};

constexpr int MaxStreamId = 1 << 14;                 // the game numbers a class's properties in the hundreds
constexpr int MaxChannelLimit = 1 << 13;             // the game uses 1023
constexpr std::size_t MaxCacheEntries = 4096;        // the game's replays have a few hundred classes
constexpr std::size_t MaxClassProperties = 1 << 16;  // a class's properties with its parents', a few hundred
constexpr float BoostPerSecond = 1.0f / 3.0f;        // a tank empties in 3 s of boosting

struct Actor {
    bool open = false;
    std::uint32_t object = 0;
    const ClassNet* net = nullptr;
    ActorType type = ActorType::Other;
    // Ball and car
    Vec3 location;
    Vec3 velocity;
    // Car: its driver's player info (now, and the last it had), and whether it was demolished
    int pri = -1;
    int lastPri = -1;
    bool demolished = false;
    // Boost component: its car, the tank (0 to 1) as last sent, and whether it burns now
    int vehicle = -1;
    float boost = 1.0f / 3.0f;
    bool boosting = false;
    // Player info
    int player = -1;
    std::string name;
    bool changed = true;  // name, id, bot or team, since the player last took them
    PlayerId id;
    bool hasId = false;
    bool bot = false;
    int teamActor = -1;
    int counters[5] = {-1, -1, -1, -1, -1};
    // Team
    int teamIndex = -1;
    int score = -1;
};

class FrameDecoder {
public:
    FrameDecoder(const ReplayHeader& header, const ReplayBody& body);
    MatchFrames Run();

private:
    void BuildClasses();
    const ClassNet* ClassOfActorObject(std::uint32_t object);
    void ReadFrame(int frame);
    void OpenActor(std::uint32_t id);
    void UpdateActor(std::uint32_t id);
    void Apply(Actor& actor, Role role, const AttributeValue& value);
    void EndFrame(int frame, float delta);
    void ResolvePlayer(Actor& pri);
    int TeamOf(const Actor& pri) const;
    // The actor with this id, nullptr for an id no actor ever had.
    Actor* Find(std::int64_t id) {
        return id >= 0 && static_cast<std::uint64_t>(id) < actors_.size() ? &actors_[static_cast<std::size_t>(id)] : nullptr;
    }
    const Actor* Find(std::int64_t id) const {
        return id >= 0 && static_cast<std::uint64_t>(id) < actors_.size() ? &actors_[static_cast<std::size_t>(id)] : nullptr;
    }

    const ReplayHeader& header_;
    const ReplayBody& body_;
    BitReader bits_;
    AttributeContext context_;
    std::uint32_t maxChannel_ = 1023;
    bool hasNameIndex_ = true;
    std::vector<ClassNet> classes_;      // by net cache entry
    std::vector<int> netOfClassObject_;  // class object index -> entry, -1 none
    std::vector<int> netOfObject_;       // object -> entry; -1 unknown, -2 not yet looked up
    std::vector<Actor> actors_;
    // Open actors of the types the match follows, by type.
    std::array<std::vector<std::uint32_t>, 8> live_;
    std::vector<std::uint32_t>& Live(ActorType type) { return live_[static_cast<std::size_t>(type)]; }
    std::unordered_map<std::string, int> playerOfKey_;
    std::unordered_map<std::int64_t, int> stateOfName_;
    AttributeValue value_;
    MatchFrames out_;
    GameFrame game_;  // the game's state as it stands, carried from frame to frame
    int frame_ = 0;
};

FrameDecoder::FrameDecoder(const ReplayHeader& header, const ReplayBody& body)
    : header_(header), body_(body), bits_(body.stream.data(), body.stream.size(), body.streamOffset) {
    context_.netVersion = header.netVersion;
    context_.licenseeVersion = header.licenseeVersion;
    context_.gameServerIsText = header.buildVersion.empty() || header.buildVersion >= "221120.42953.406184";
    if (header.maxChannels < 1 || header.maxChannels > MaxChannelLimit)
        throw ReplayError("header", 0, "MaxChannels " + std::to_string(header.maxChannels) + " is out of range");
    maxChannel_ = static_cast<std::uint32_t>(header.maxChannels);
    hasNameIndex_ = header.matchType != "Lan";
    actors_.reserve(std::min<std::uint32_t>(maxChannel_ + 1, 1024));  // grown as ids come
    for (std::size_t i = 0; i < body.objects.size(); ++i) {
        const std::string& name = body.objects[i];
        const auto index = static_cast<std::int64_t>(i);
        if (name == "TAGame.ProductAttribute_Painted_TA") context_.paintedProduct = index;
        if (name == "TAGame.ProductAttribute_SpecialEdition_TA") context_.specialEditionProduct = index;
        if (name == "TAGame.ProductAttribute_TeamEdition_TA") context_.teamEditionProduct = index;
        if (name == "TAGame.ProductAttribute_TitleID_TA") context_.titleProduct = index;
        if (name == "TAGame.ProductAttribute_UserColor_TA") context_.userColorProduct = index;
    }
    BuildClasses();
}

void FrameDecoder::BuildClasses() {
    const auto objectCount = static_cast<int>(body_.objects.size());
    const auto fail = [](const std::string& reason) { throw ReplayError("class net cache", 0, reason); };
    const auto& cache = body_.netCache;
    std::unordered_map<std::string_view, int> firstObject;  // a name's first index among the objects
    for (int i = objectCount; i-- > 0;) firstObject[body_.objects[static_cast<std::size_t>(i)]] = i;
    std::unordered_map<int, std::vector<std::size_t>> entriesOfObject;
    for (std::size_t i = 0; i < cache.size(); ++i) {
        if (cache[i].object < 0 || cache[i].object >= objectCount)
            fail("a class entry names object " + std::to_string(cache[i].object));
        entriesOfObject[cache[i].object].push_back(i);
    }
    // The entry a cache entry's parent id leads to: the nearest before it with that id (or, where none
    // has it, the one before it with the next lower id), worked out once for each.
    if (cache.size() > MaxCacheEntries)
        fail(std::to_string(cache.size()) + " class entries, more than the game has (" + std::to_string(MaxCacheEntries) + ")");
    std::vector<std::ptrdiff_t> parentOf(cache.size(), -1);
    std::map<int, std::size_t> seen;  // cacheId -> the latest entry with it, of the entries before
    for (std::size_t i = 0; i < cache.size(); ++i) {
        const int parentId = cache[i].parentId;
        if (parentId > 0 && !seen.empty()) {
            auto at = seen.upper_bound(parentId);  // the first id above it
            if (at != seen.begin() && (--at)->first > 0) parentOf[i] = static_cast<std::ptrdiff_t>(at->second);
        }
        seen[cache[i].cacheId] = i;
    }

    classes_.resize(cache.size());
    netOfClassObject_.assign(body_.objects.size(), -1);
    for (std::size_t i = 0; i < cache.size(); ++i) {
        ClassNet& net = classes_[i];
        net.className = body_.objects[static_cast<std::size_t>(cache[i].object)];
        net.type = TypeOfClass(net.className);
        // Up the class hierarchy: each class's own properties (its own first), by the names the game's
        // classes are known to derive from, else by the cache's parent links.
        std::vector<CacheProperty> properties;
        std::optional<Trajectory> trajectory;
        std::string_view name = net.className;
        std::ptrdiff_t entry = static_cast<std::ptrdiff_t>(i);  // -1: not known
        for (int depth = 0; depth < 64; ++depth) {
            const auto object = firstObject.find(name);
            if (object != firstObject.end())
                if (const auto entries = entriesOfObject.find(object->second); entries != entriesOfObject.end())
                    for (const std::size_t e : entries->second) {
                        properties.insert(properties.end(), cache[e].properties.begin(), cache[e].properties.end());
                        if (properties.size() > MaxClassProperties)
                            fail("the class \"" + std::string(net.className) +
                                 "\" has more properties than the game's classes have");
                    }
            if (!trajectory) trajectory = OwnTrajectory(name);
            if (const auto parent = ParentClassOf(name)) {
                name = *parent;
                entry = -1;
                if (const auto object = firstObject.find(name); object != firstObject.end())
                    if (const auto entries = entriesOfObject.find(object->second); entries != entriesOfObject.end())
                        entry = static_cast<std::ptrdiff_t>(entries->second.back());
                continue;
            }
            if (entry < 0) break;
            entry = parentOf[static_cast<std::size_t>(entry)];
            if (entry < 0) break;
            name = body_.objects[static_cast<std::size_t>(cache[static_cast<std::size_t>(entry)].object)];
        }
        net.trajectory = trajectory.value_or(Trajectory::None);
        for (const CacheProperty& property : properties) {
            if (property.streamId < 0 || property.streamId > MaxStreamId)
                fail("a property with stream id " + std::to_string(property.streamId));
            if (property.object < 0 || property.object >= objectCount)
                fail("a property names object " + std::to_string(property.object));
            net.maxStreamId = std::max(net.maxStreamId, static_cast<std::uint32_t>(property.streamId));
        }
        net.properties.assign(properties.empty() ? 0 : net.maxStreamId + 1, StreamProperty{});
        for (const CacheProperty& property : properties) {
            StreamProperty& slot = net.properties[static_cast<std::size_t>(property.streamId)];
            if (slot.object >= 0) continue;  // a class's own property comes before its parents'
            slot.object = property.object;
            const std::string_view propertyName = body_.objects[static_cast<std::size_t>(property.object)];
            if (const auto kind = AttributeKindOf(propertyName)) {
                slot.known = true;
                slot.kind = *kind;
                slot.role = RoleOf(propertyName);
            }
        }
        netOfClassObject_[static_cast<std::size_t>(cache[i].object)] = static_cast<int>(i);
    }
    netOfObject_.assign(body_.objects.size(), -2);
}

const ClassNet* FrameDecoder::ClassOfActorObject(std::uint32_t object) {
    if (object >= netOfObject_.size())
        bits_.Fail("an actor opened with object " + std::to_string(object) + ", not in the object table");
    int& net = netOfObject_[object];
    if (net == -2) {
        net = -1;
        const std::string_view name = body_.objects[object];
        std::optional<std::string_view> className = ClassOfObject(name);
        if (!className) {
            // An object that is a class itself, or the default object of one ("X.Default__Y" is a "X.Y").
            std::string candidate(name);
            if (const auto at = candidate.find("Default__"); at != std::string::npos) candidate.erase(at, 9);
            for (const ClassIndex& entry : body_.classes)
                if (entry.name == candidate && entry.object >= 0 &&
                    static_cast<std::size_t>(entry.object) < netOfClassObject_.size())
                    net = netOfClassObject_[static_cast<std::size_t>(entry.object)];
        } else {
            for (const ClassIndex& entry : body_.classes)
                if (entry.name == *className && entry.object >= 0 &&
                    static_cast<std::size_t>(entry.object) < netOfClassObject_.size())
                    net = netOfClassObject_[static_cast<std::size_t>(entry.object)];
        }
    }
    if (net < 0) bits_.Fail("an actor of the object \"" + body_.objects[object] + "\", whose class this reader does not know");
    return &classes_[static_cast<std::size_t>(net)];
}

MatchFrames FrameDecoder::Run() {
    // Every frame takes at least its two times and its end bit: a count the stream cannot hold is refused.
    if (header_.numFrames < 0 || static_cast<std::uint64_t>(header_.numFrames) * 65 > bits_.BitsLeft())
        throw ReplayError("network frames", body_.streamOffset,
                          "the header's " + std::to_string(header_.numFrames) + " frames cannot fit in " +
                              std::to_string(body_.stream.size()) + " bytes");
    out_.frames.reserve(static_cast<std::size_t>(header_.numFrames));
    for (frame_ = 0; frame_ < header_.numFrames; ++frame_) ReadFrame(frame_);
    return std::move(out_);
}

void FrameDecoder::ReadFrame(int frame) {
    const float time = bits_.F32();
    const float delta = bits_.F32();
    if (!std::isfinite(time) || !std::isfinite(delta) || delta < 0.0f || time < 0.0f)
        bits_.Fail("frame " + std::to_string(frame) + " has the time " + std::to_string(time) + " s, delta " +
                   std::to_string(delta) + " s");
    game_.time = time;
    game_.delta = delta;
    while (bits_.Bit()) {
        const std::uint32_t id = bits_.Bounded(maxChannel_);
        if (bits_.Bit()) {
            if (bits_.Bit())
                OpenActor(id);
            else
                UpdateActor(id);
        } else {
            if (Actor* actor = Find(id); actor && actor->open) {
                ++out_.actorsClosed;
                actor->open = false;
                std::erase(Live(actor->type), id);
            }
        }
    }
    EndFrame(frame, delta);
}

void FrameDecoder::OpenActor(std::uint32_t id) {
    if (hasNameIndex_) bits_.U32();
    bits_.Bit();
    const std::uint32_t object = bits_.U32();
    const ClassNet* net = ClassOfActorObject(object);
    if (id >= actors_.size()) actors_.resize(id + 1);
    Actor& actor = actors_[id];
    ++out_.actorsOpened;
    // A keyframe announces every open actor again as new, with the same id and no close: what is known
    // of it stays (its car's player above all).
    if (!actor.open || actor.object != object) {
        if (actor.open) std::erase(Live(actor.type), id);
        actor = Actor{};
        actor.open = true;
        actor.object = object;
        actor.net = net;
        actor.type = net->type;
        if (actor.type == ActorType::Team) {
            const std::string_view name = body_.objects[object];
            if (name.ends_with("Team0")) actor.teamIndex = 0;
            if (name.ends_with("Team1")) actor.teamIndex = 1;
        }
        if (actor.type != ActorType::Other) Live(actor.type).push_back(id);
    }
    if (net->trajectory != Trajectory::None) {
        actor.location = ReadVector(bits_);
        if (net->trajectory == Trajectory::LocationAndRotation) SkipSmallRotation(bits_);
    }
}

void FrameDecoder::UpdateActor(std::uint32_t id) {
    Actor* found = Find(id);
    if (!found || !found->open) bits_.Fail("an update of actor " + std::to_string(id) + ", which is not open");
    Actor& actor = *found;
    const ClassNet& net = *actor.net;
    while (bits_.Bit()) {
        const std::uint32_t stream = bits_.Bounded(std::max<std::uint32_t>(net.maxStreamId, 2));
        if (stream >= net.properties.size() || net.properties[stream].object < 0)
            bits_.Fail("property " + std::to_string(stream) + " of \"" + std::string(net.className) +
                       "\", which it does not have");
        const StreamProperty& property = net.properties[stream];
        if (!property.known)
            bits_.Fail("the property \"" + body_.objects[static_cast<std::size_t>(property.object)] +
                       "\", whose encoding this reader does not know");
        DecodeAttribute(property.kind, bits_, context_, value_);
        ++out_.propertyUpdates;
        if (property.role != Role::None) Apply(actor, property.role, value_);
    }
}

void FrameDecoder::Apply(Actor& actor, Role role, const AttributeValue& value) {
    const auto counter = [&](int index, Stat stat) {
        if (actor.type != ActorType::Pri) return;
        const int v = static_cast<int>(value.integer);
        if (actor.counters[index] == v) return;
        actor.counters[index] = v;
        if (actor.player >= 0) out_.stats.push_back({frame_, actor.player, stat, v});
    };
    switch (role) {
    case Role::None: return;
    case Role::RigidBody:
        actor.location = value.location;
        actor.velocity = value.velocity;
        return;
    case Role::PlayerName:
        actor.name = value.text;
        actor.changed = true;
        return;
    case Role::UniqueId:
        actor.id = value.id;
        actor.hasId = true;
        actor.changed = true;
        return;
    case Role::Bot:
        actor.bot = value.flag;
        actor.changed = true;
        return;
    case Role::PriTeam:
        actor.teamActor = value.otherActor;
        actor.changed = true;
        return;
    case Role::PawnPri:
        actor.pri = value.otherActor;
        if (actor.pri >= 0) actor.lastPri = actor.pri;
        return;
    case Role::Vehicle: actor.vehicle = value.otherActor; return;
    case Role::BoostAmount: actor.boost = static_cast<float>(value.integer) / 255.0f; return;
    case Role::BoostActive:
        if (actor.type == ActorType::Boost) actor.boosting = (value.integer % 2) == 1;
        return;
    case Role::Score: counter(0, Stat::Score); return;
    case Role::Goals: counter(1, Stat::Goals); return;
    case Role::Shots: counter(2, Stat::Shots); return;
    case Role::Saves: counter(3, Stat::Saves); return;
    case Role::Assists: counter(4, Stat::Assists); return;
    case Role::SecondsRemaining: game_.secondsRemaining = static_cast<int>(value.integer); return;
    case Role::Overtime: game_.overtime = value.flag; return;
    case Role::RoundCountdown: game_.countdown = static_cast<int>(value.integer); return;
    case Role::StateName: {
        const auto [at, added] = stateOfName_.try_emplace(value.integer, static_cast<int>(out_.stateNames.size()));
        if (added) {
            const bool named = value.integer >= 0 && static_cast<std::uint64_t>(value.integer) < body_.names.size();
            out_.stateNames.push_back(named ? body_.names[static_cast<std::size_t>(value.integer)]
                                            : std::to_string(value.integer));
        }
        game_.state = at->second;
        return;
    }
    case Role::MatchEnded: game_.matchEnded = value.flag; return;
    case Role::BallHasBeenHit: game_.ballHasBeenHit = value.flag; return;
    case Role::TeamScore:
        if (actor.type == ActorType::Team && actor.teamIndex >= 0 && actor.score != static_cast<int>(value.integer)) {
            actor.score = static_cast<int>(value.integer);
            out_.teamGoals.push_back({frame_, actor.teamIndex, actor.score});
        }
        return;
    case Role::Playlist: out_.playlist = static_cast<int>(value.integer); return;
    case Role::Demolish: {
        // Sent on the victim's car, which has let go of its driver by then: the drivers are those the
        // cars last had. The game sends it again while the wreck stays (keyframes): once a car.
        const auto carOf = [&](std::int64_t id) -> Actor* {
            Actor* car = Find(id);
            return car && car->type == ActorType::Car ? car : nullptr;
        };
        const auto playerOf = [&](const Actor* car) {
            const Actor* pri = car ? Find(car->lastPri) : nullptr;
            return pri ? pri->player : -1;
        };
        Actor* victimCar = carOf(value.otherActor);
        if (!victimCar || victimCar->demolished) return;
        victimCar->demolished = true;
        const int victim = playerOf(victimCar);
        if (victim < 0) return;  // a demolition from before the recording
        out_.demolitions.push_back({frame_, playerOf(carOf(value.integer)), victim});
        return;
    }
    case Role::HitTeamNum: game_.ballHitTeam = static_cast<int>(value.integer); return;
    }
}

int FrameDecoder::TeamOf(const Actor& pri) const {
    const Actor* team = Find(pri.teamActor);
    return team && team->open ? team->teamIndex : -1;
}

void FrameDecoder::ResolvePlayer(Actor& pri) {
    std::string key;
    if (pri.hasId && !(pri.id.system == 0 && pri.id.number == 0 && pri.id.text.empty()))
        key = pri.id.Text();
    else if (!pri.name.empty())
        key = "name:" + pri.name;  // bots and split-screen guests have no account
    else
        return;
    const auto [at, added] = playerOfKey_.try_emplace(key, static_cast<int>(out_.players.size()));
    if (added) {
        // A player's frames take memory for every frame of the match: no more players than the stream's
        // size can carry (the game's replays carry about 0.05 player frames a byte).
        const std::uint64_t playerFrames = (out_.players.size() + 1) * static_cast<std::uint64_t>(header_.numFrames);
        if (static_cast<int>(out_.players.size()) >= MaxPlayers || playerFrames > body_.stream.size() / 4 + 4096)
            bits_.Fail("more players (" + std::to_string(out_.players.size() + 1) + ") than a stream of " +
                       std::to_string(body_.stream.size()) + " bytes and " + std::to_string(header_.numFrames) + " frames holds");
        out_.players.emplace_back();
        out_.players.back().frames.reserve(static_cast<std::size_t>(header_.numFrames));
        out_.players.back().frames.resize(static_cast<std::size_t>(frame_));  // off the field until now
    }
    pri.player = at->second;
    // Counters the player info carried before its player was known.
    for (int i = 0; i < 5; ++i)
        if (pri.counters[i] >= 0) out_.stats.push_back({frame_, pri.player, static_cast<Stat>(i), pri.counters[i]});
}

void FrameDecoder::EndFrame(int frame, float delta) {
    // The ball, the players, their cars and tanks as they stand after this frame's updates.
    game_.ballPresent = false;
    for (const std::uint32_t id : Live(ActorType::Ball)) {
        const Actor& ball = actors_[id];
        // With more than one ball (a mutator), the one in play: the fastest.
        const auto speed = [](const Vec3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; };
        if (!game_.ballPresent || speed(ball.velocity) > speed(game_.ballVelocity)) {
            game_.ball = ball.location;
            game_.ballVelocity = ball.velocity;
        }
        game_.ballPresent = true;
    }
    for (const std::uint32_t id : Live(ActorType::Pri)) {
        Actor& pri = actors_[id];
        if (!pri.changed) continue;
        if (pri.player < 0) ResolvePlayer(pri);
        if (pri.player < 0) continue;
        pri.changed = false;
        MatchPlayer& player = out_.players[static_cast<std::size_t>(pri.player)];
        if (!pri.name.empty()) player.name = pri.name;
        if (pri.hasId && !player.hasId) {
            player.id = pri.id;
            player.hasId = true;
        }
        player.bot = pri.bot;
        if (const int team = TeamOf(pri); team >= 0)
            player.team = team;
        else if (pri.teamActor >= 0)
            pri.changed = true;  // its team's actor is not open yet: look again next frame
    }
    out_.frames.push_back(game_);

    const auto driverOf = [&](const Actor& car) -> MatchPlayer* {
        const Actor* pri = Find(car.pri);
        return pri && pri->open && pri->player >= 0 ? &out_.players[static_cast<std::size_t>(pri->player)] : nullptr;
    };
    const auto at = static_cast<std::size_t>(frame);
    for (MatchPlayer& player : out_.players) player.frames.emplace_back();  // off the field, unless a car says
    for (const std::uint32_t id : Live(ActorType::Car)) {
        const Actor& car = actors_[id];
        MatchPlayer* player = driverOf(car);
        if (!player) continue;
        // A car without its boost component yet keeps the tank the player had (a third at a spawn).
        const float tank = at > 0 && player->frames[at - 1].onField ? player->frames[at - 1].boost : 1.0f / 3.0f;
        PlayerFrame& sample = player->frames[at];
        sample.location = car.location;
        sample.velocity = car.velocity;
        sample.onField = true;
        sample.boost = tank;
    }
    for (const std::uint32_t id : Live(ActorType::Boost)) {
        Actor& boost = actors_[id];
        if (boost.boosting) boost.boost = std::max(0.0f, boost.boost - BoostPerSecond * delta);
        const Actor* car = Find(boost.vehicle);
        MatchPlayer* player = car && car->open ? driverOf(*car) : nullptr;
        if (player && player->frames[at].onField) player->frames[at].boost = boost.boost;
    }
}

}  // namespace

std::string PlayerId::PlatformName() const {
    switch (system) {
    case 0: return "SplitScreen";
    case 1: return "Steam";
    case 2: return "PlayStation";
    case 4: return "Xbox";
    case 5: return "QQ";
    case 6: return "Switch";
    case 7: return "PsyNet";
    case 11: return "Epic";
    default: return "Platform" + std::to_string(system);
    }
}

std::string PlayerId::Text() const { return PlatformName() + ":" + (text.empty() ? std::to_string(number) : text); }

int MatchFrames::PlayerById(const PlayerId& id) const {
    for (std::size_t i = 0; i < players.size(); ++i)
        if (players[i].hasId && players[i].id == id) return static_cast<int>(i);
    return -1;
}

MatchFrames ReadNetworkFrames(const ReplayHeader& header, const ReplayBody& body) { return FrameDecoder(header, body).Run(); }

}  // namespace replay
