// CVarRecord: one settings variable as the host stores it; CVarWrapper handles point at one.
#pragma once

#include <string>

namespace host {

struct CVarRecord {
    std::string name;
    std::string defaultValue;
    std::string description;
    bool searchable = true;
    bool hasMin = false;
    float min = 0.0f;
    bool hasMax = false;
    float max = 0.0f;
    bool saved = false;  // persisted in the host's configuration file
    std::string value;   // the one stored text that every getter reads
};

}  // namespace host
