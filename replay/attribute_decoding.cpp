// The encodings of the replicated properties.
#include "replay/attribute_decoding.h"

#include <vector>

#include "replay/game_text.h"

namespace replay {

namespace {

constexpr std::int32_t MaxStreamText = 1 << 20;  // longer than any name or setting the game sends

void SkipQuaternion(BitReader& bits) {
    bits.Bounded(3);  // which component is left out
    bits.Skip(3 * 18);
}

PlayerId ReadRemoteId(BitReader& bits, const AttributeContext& context, std::uint8_t system) {
    PlayerId id;
    id.system = system;
    switch (system) {
    case 0: id.number = bits.Bits(24); break;  // split screen
    case 1:                                    // Steam
    case 4:                                    // Xbox
    case 5:                                    // QQ
        id.number = bits.U64();
        break;
    case 2:  // PlayStation: a name, a code, then the account
        bits.SkipBytes(32);
        id.number = bits.U64();
        break;
    case 6:  // Switch
        id.number = bits.U64();
        bits.SkipBytes(24);
        break;
    case 7:  // PsyNet
        id.number = bits.U64();
        if (context.netVersion < 10) bits.SkipBytes(24);
        break;
    case 11: id.text = ReadStreamText(bits); break;  // Epic
    default: bits.Fail("a player id of an unknown platform (" + std::to_string(system) + ")");
    }
    return id;
}

PlayerId ReadUniqueId(BitReader& bits, const AttributeContext& context) {
    const std::uint8_t system = bits.U8();
    PlayerId id = ReadRemoteId(bits, context, system);
    bits.U8();  // the local player's number on that machine
    return id;
}

void SkipLoadout(BitReader& bits) {
    const unsigned version = bits.U8();
    unsigned words = 7;
    if (version >= 11) words += 1;
    if (version >= 16) words += 3;
    if (version >= 17) words += 1;
    if (version >= 19) words += 1;
    if (version >= 22) words += 3;
    bits.Skip(32ull * words);
}

void SkipOnlineLoadout(BitReader& bits, const AttributeContext& context) {
    const unsigned lists = bits.U8();
    for (unsigned list = 0; list < lists; ++list) {
        const unsigned products = bits.U8();
        for (unsigned product = 0; product < products; ++product) {
            bits.Bit();
            const std::int64_t object = bits.U32();
            if (object == context.paintedProduct || object == context.specialEditionProduct ||
                object == context.teamEditionProduct) {
                bits.Skip(31);
            } else if (object == context.titleProduct) {
                ReadStreamText(bits);
            } else if (object == context.userColorProduct) {
                if (context.licenseeVersion >= 23)
                    bits.Skip(32);
                else if (bits.Bit())
                    bits.Skip(31);
            }
        }
    }
}

void ReadDemolish(BitReader& bits, AttributeValue& value) {
    const bool attackerKnown = bits.Bit();
    const std::int32_t attacker = bits.I32();
    const bool victimKnown = bits.Bit();
    const std::int32_t victim = bits.I32();
    SkipVector(bits);
    SkipVector(bits);
    value.integer = attackerKnown ? attacker : -1;
    value.otherActor = victimKnown ? victim : -1;
}

void ReadDemolishFx(BitReader& bits, AttributeValue& value) {
    bits.Bit();
    bits.I32();
    ReadDemolish(bits, value);
}

void ReadExplosion(BitReader& bits, AttributeValue& value) {
    bits.Bit();
    bits.I32();
    value.location = ReadVector(bits);
}

}  // namespace

// The most bits a packed vector takes: a size of 5 bits, then three values of up to 23.
constexpr std::uint64_t LongestVector = 5 + 3 * 23;

// A vector's three values from its size, x and y read together (two values of at most 23 bits), and z;
// each is biased by 2^(size+1), in hundredths of a unit.
Vec3 Unpack(std::uint32_t size, std::uint64_t xy, std::uint64_t z) {
    const unsigned width = size + 2;
    const std::int64_t bias = std::int64_t{1} << (size + 1);
    const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
    const float x = static_cast<float>(static_cast<std::int64_t>(xy & mask) - bias);
    const float y = static_cast<float>(static_cast<std::int64_t>(xy >> width) - bias);
    return {x / 100.0f, y / 100.0f, static_cast<float>(static_cast<std::int64_t>(z) - bias) / 100.0f};
}

void SkipVector(BitReader& bits) { bits.Skip(3ull * (bits.Bounded(21) + 2)); }

Vec3 ReadVector(BitReader& bits) {
    if (bits.BitsLeft() >= LongestVector + 8) {
        // The stream holds it whole: no check a read. The size is bounded by 21 (Bounded): a fifth bit
        // follows four only while they stay at 5 or below.
        auto size = static_cast<std::uint32_t>(bits.Unchecked(4));
        if (size <= 5 && bits.Unchecked(1)) size += 16;
        const std::uint64_t xy = bits.Unchecked(2 * (size + 2));
        return Unpack(size, xy, bits.Unchecked(size + 2));
    }
    const std::uint32_t size = bits.Bounded(21);
    const std::uint64_t xy = bits.Wide(2 * (size + 2));
    return Unpack(size, xy, bits.Bits(size + 2));
}

void SkipSmallRotation(BitReader& bits) {
    for (int axis = 0; axis < 3; ++axis)
        if (bits.Bit()) bits.Skip(8);
}

std::string ReadStreamText(BitReader& bits) {
    const std::int32_t length = bits.I32();
    if (length == 0) return {};
    if (length < -MaxStreamText || length > MaxStreamText) bits.Fail("a text of length " + std::to_string(length));
    const bool wide = length < 0;
    const std::uint64_t bytes = wide ? static_cast<std::uint64_t>(-length) * 2 : static_cast<std::uint64_t>(length);
    if (bytes * 8 > bits.BitsLeft()) bits.Fail("a text of " + std::to_string(bytes) + " bytes runs past the stream's end");
    std::vector<std::uint8_t> raw(bytes);
    for (auto& byte : raw) byte = bits.U8();
    std::size_t keep = raw.size();
    if (wide && keep >= 2 && raw[keep - 1] == 0 && raw[keep - 2] == 0) keep -= 2;
    if (!wide && keep >= 1 && raw[keep - 1] == 0) keep -= 1;
    const std::span<const std::uint8_t> text(raw.data(), keep);
    return wide ? Utf16ToUtf8(text) : Windows1252ToUtf8(text);
}

void DecodeAttribute(AttributeKind kind, BitReader& bits, const AttributeContext& context, AttributeValue& value) {
    using K = AttributeKind;
    switch (kind) {
    case K::Boolean: value.flag = bits.Bit(); return;
    case K::Byte: value.integer = bits.U8(); return;
    case K::Int: value.integer = bits.I32(); return;
    case K::Int64:
    case K::QWord: value.integer = static_cast<std::int64_t>(bits.U64()); return;
    case K::Float: value.number = bits.F32(); return;
    case K::String: value.text = ReadStreamText(bits); return;
    case K::Enum: value.integer = bits.Bits(11); return;
    case K::ActiveActor: {
        const bool active = bits.Bit();
        value.integer = bits.I32();
        value.otherActor = active ? static_cast<int>(value.integer) : -1;
        return;
    }
    case K::FlaggedByte:
        bits.Bit();
        value.integer = bits.U8();
        return;
    case K::RigidBody:
        value.flag = bits.Bit();
        value.location = ReadVector(bits);
        SkipQuaternion(bits);
        if (!value.flag) {
            value.velocity = ReadVector(bits);
            SkipVector(bits);  // angular velocity
        } else {
            value.velocity = {};
        }
        return;
    case K::Location: value.location = ReadVector(bits); return;
    case K::Rotation: SkipSmallRotation(bits); return;
    case K::UniqueId: value.id = ReadUniqueId(bits, context); return;
    case K::PartyLeader: {
        const std::uint8_t system = bits.U8();
        if (system != 0) {
            value.id = ReadRemoteId(bits, context, system);
            bits.U8();
        }
        return;
    }
    case K::Reservation: {
        bits.Bounded(7);
        const PlayerId id = ReadUniqueId(bits, context);
        if (id.system != 0) ReadStreamText(bits);
        bits.Skip(2);
        if (context.licenseeVersion >= 12) bits.Skip(6);
        return;
    }
    case K::Loadout: SkipLoadout(bits); return;
    case K::TeamLoadout:
        SkipLoadout(bits);
        SkipLoadout(bits);
        return;
    case K::LoadoutOnline: SkipOnlineLoadout(bits, context); return;
    case K::LoadoutsOnline:
        SkipOnlineLoadout(bits, context);
        SkipOnlineLoadout(bits, context);
        bits.Skip(2);
        return;
    case K::CamSettings: bits.Skip(32ull * (context.licenseeVersion >= 20 ? 7 : 6)); return;
    case K::ClubColors: bits.Skip(18); return;
    case K::TeamPaint:
        value.integer = bits.U8();  // the team
        bits.Skip(16 + 64);
        return;
    case K::Title: bits.Skip(2 + 5 * 32 + 1); return;
    case K::Demolish: ReadDemolish(bits, value); return;
    case K::DemolishFx: ReadDemolishFx(bits, value); return;
    case K::DemolishExtended:
        bits.Skip(33);  // the attacker's player
        bits.Skip(33);  // the effect of a self-demolition
        bits.Bit();     // a self-demolition
        ReadDemolishFx(bits, value);
        return;
    case K::Explosion: ReadExplosion(bits, value); return;
    case K::ExtendedExplosion:
        ReadExplosion(bits, value);
        bits.Skip(33);
        return;
    case K::MusicStinger: bits.Skip(1 + 32 + 8); return;
    case K::Pickup:
        if (bits.Bit()) bits.Skip(32);
        bits.Bit();
        return;
    case K::PickupNew:
        if (bits.Bit()) bits.Skip(32);
        bits.Skip(8);
        return;
    case K::PickupInfo: bits.Skip(2 + 3 * 32 + 2); return;
    case K::PrivateMatchSettings:
        ReadStreamText(bits);
        bits.Skip(64);
        ReadStreamText(bits);
        ReadStreamText(bits);
        bits.Bit();
        return;
    case K::StatEvent: bits.Skip(33); return;
    case K::GameMode: value.integer = bits.Bits(context.licenseeVersion >= 12 ? 8 : 2); return;
    case K::PlayerHistoryKey: bits.Skip(14); return;
    case K::Welded:
        bits.Skip(33);
        SkipVector(bits);
        bits.Skip(32);
        SkipSmallRotation(bits);
        return;
    case K::AppliedDamage:
        bits.Skip(8);
        SkipVector(bits);
        bits.Skip(64);
        return;
    case K::DamageState:
        bits.Skip(8 + 1 + 32);
        SkipVector(bits);
        bits.Skip(2);
        return;
    case K::RepStatTitle:
        bits.Bit();
        ReadStreamText(bits);
        bits.Skip(1 + 64);
        return;
    case K::ReplicatedBoost:
        bits.Skip(8);  // pads taken
        value.integer = bits.U8();
        bits.Skip(16);
        return;
    case K::GameServer:
        if (context.gameServerIsText)
            ReadStreamText(bits);
        else
            bits.Skip(64);
        return;
    }
    bits.Fail("a property kind this reader cannot decode");
}

}  // namespace replay
