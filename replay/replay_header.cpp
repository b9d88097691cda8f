// The header's properties: a list of named, typed values ended by "None"; arrays hold lists of them.
#include "replay/replay_header.h"

#include <limits>

namespace replay {

namespace {

constexpr int MaxNesting = 8;  // arrays in arrays: the game writes two levels

std::vector<HeaderProperty> ReadProperties(ByteReader& reader, int depth);

HeaderProperty ReadValue(ByteReader& reader, std::string name, int depth) {
    HeaderProperty property;
    property.name = std::move(name);
    property.type = reader.Text();
    const std::uint64_t size = reader.U64();
    const std::string& type = property.type;
    if (type == "IntProperty") {
        property.integer = reader.I32();
    } else if (type == "StrProperty" || type == "NameProperty") {
        property.text = reader.Text();
    } else if (type == "FloatProperty") {
        property.number = reader.F32();
    } else if (type == "BoolProperty") {
        property.integer = reader.U8();
    } else if (type == "QWordProperty") {
        property.integer = static_cast<std::int64_t>(reader.U64());
    } else if (type == "ByteProperty") {
        // A kind, then its value: a name, none for the two platforms older replays write as the kind
        // alone, or a plain byte for the kind "None".
        property.text = reader.Text();
        if (property.text == "None")
            property.integer = reader.U8();
        else if (property.text != "OnlinePlatform_Steam" && property.text != "OnlinePlatform_PS4")
            property.text = reader.Text();
    } else if (type == "ArrayProperty") {
        if (depth >= MaxNesting) reader.Fail("arrays nested deeper than " + std::to_string(MaxNesting));
        const std::size_t count = reader.Count(4, "array elements");
        for (std::size_t i = 0; i < count; ++i) property.elements.push_back(ReadProperties(reader, depth + 1));
    } else if (type == "StructProperty") {
        if (depth >= MaxNesting) reader.Fail("structures nested deeper than " + std::to_string(MaxNesting));
        property.text = reader.Text();
        property.elements.push_back(ReadProperties(reader, depth + 1));
    } else {
        reader.Fail("the property \"" + property.name + "\" has a type this reader does not know (\"" + type + "\", " +
                    std::to_string(size) + " bytes)");
    }
    return property;
}

std::vector<HeaderProperty> ReadProperties(ByteReader& reader, int depth) {
    std::vector<HeaderProperty> properties;
    for (;;) {
        if (reader.AtEnd()) reader.Fail("the properties end without their closing \"None\"");
        std::string name = reader.Text();
        if (name == "None") return properties;
        if (name.empty()) reader.Fail("a property without a name");
        properties.push_back(ReadValue(reader, std::move(name), depth));
    }
}

const HeaderProperty* FindIn(const std::vector<HeaderProperty>& properties, const std::string& name) {
    for (const HeaderProperty& property : properties)
        if (property.name == name) return &property;
    return nullptr;
}

int IntOf(const std::vector<HeaderProperty>& properties, const std::string& name, int fallback) {
    const HeaderProperty* property = FindIn(properties, name);
    if (!property) return fallback;
    if (property->integer < std::numeric_limits<int>::min() || property->integer > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(property->integer);
}

std::string TextOf(const std::vector<HeaderProperty>& properties, const std::string& name) {
    const HeaderProperty* property = FindIn(properties, name);
    return property ? property->text : std::string();
}

}  // namespace

std::vector<HeaderProperty> ReadHeaderProperties(ByteReader& reader) { return ReadProperties(reader, 0); }

const HeaderProperty* ReplayHeader::Find(const std::string& propertyName) const { return FindIn(properties, propertyName); }

ReplayHeader ReadHeader(ByteReader& reader) {
    ReplayHeader header;
    header.engineVersion = reader.U32();
    header.licenseeVersion = reader.U32();
    if (header.engineVersion >= 868 && header.licenseeVersion >= 18) header.netVersion = reader.U32();
    header.gameClass = reader.Text();
    header.properties = ReadProperties(reader, 0);

    const auto& p = header.properties;
    header.id = TextOf(p, "Id");
    header.name = TextOf(p, "ReplayName");
    header.mapName = TextOf(p, "MapName");
    header.date = TextOf(p, "Date");
    header.matchType = TextOf(p, "MatchType");
    header.recordedBy = TextOf(p, "PlayerName");
    header.buildVersion = TextOf(p, "BuildVersion");
    header.teamSize = IntOf(p, "TeamSize", 0);
    header.primaryPlayerTeam = IntOf(p, "PrimaryPlayerTeam", -1);
    header.teamScores[0] = IntOf(p, "Team0Score", 0);
    header.teamScores[1] = IntOf(p, "Team1Score", 0);
    header.numFrames = IntOf(p, "NumFrames", 0);
    header.maxChannels = IntOf(p, "MaxChannels", 1023);
    if (const HeaderProperty* fps = FindIn(p, "RecordFPS")) header.recordFps = static_cast<float>(fps->number);
    if (const HeaderProperty* played = FindIn(p, "TotalSecondsPlayed"))
        header.totalSecondsPlayed = static_cast<float>(played->number);

    if (const HeaderProperty* stats = FindIn(p, "PlayerStats")) {
        for (const auto& line : stats->elements) {
            ScoreboardLine player;
            player.name = TextOf(line, "Name");
            player.platform = TextOf(line, "Platform");
            if (const HeaderProperty* id = FindIn(line, "OnlineID")) player.onlineId = static_cast<std::uint64_t>(id->integer);
            player.team = IntOf(line, "Team", -1);
            player.score = IntOf(line, "Score", 0);
            player.goals = IntOf(line, "Goals", 0);
            player.assists = IntOf(line, "Assists", 0);
            player.saves = IntOf(line, "Saves", 0);
            player.shots = IntOf(line, "Shots", 0);
            player.bot = IntOf(line, "bBot", 0) != 0;
            header.scoreboard.push_back(std::move(player));
        }
    }
    if (const HeaderProperty* goals = FindIn(p, "Goals")) {
        for (const auto& line : goals->elements)
            header.goals.push_back({IntOf(line, "frame", 0), TextOf(line, "PlayerName"), IntOf(line, "PlayerTeam", 0)});
    }
    return header;
}

}  // namespace replay
