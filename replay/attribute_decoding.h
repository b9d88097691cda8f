// Reading one replicated property of a given kind off the network stream: every bit of it is read (the
// stream has no lengths, so a property read short or long loses the rest of the replay), and the
// fields the match needs are kept in an AttributeValue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "replay/attribute_value.h"
#include "replay/bit_reader.h"
#include "replay/net_classes.h"

namespace replay {

struct AttributeContext {
    std::uint32_t netVersion = 0;
    std::uint32_t licenseeVersion = 0;
    bool gameServerIsText = true;  // builds from 221120.42953.406184 send the server's id as text
    // Object indices of the product attributes whose values a loadout carries (-1: not in this replay).
    std::int64_t paintedProduct = -1, specialEditionProduct = -1, teamEditionProduct = -1, titleProduct = -1,
                 userColorProduct = -1;
};

void DecodeAttribute(AttributeKind kind, BitReader& bits, const AttributeContext& context, AttributeValue& value);

// The game's packed vector (units of 1/100 uu from network version 7): a bit count, then three biased values.
Vec3 ReadVector(BitReader& bits);
// The same, passed over.
void SkipVector(BitReader& bits);
// Three optional bytes (pitch, yaw, roll).
void SkipSmallRotation(BitReader& bits);
// Text in the stream: a length, then Windows-1252 bytes or UTF-16 units, as in the header.
std::string ReadStreamText(BitReader& bits);

}  // namespace replay
