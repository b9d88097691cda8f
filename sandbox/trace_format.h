// The trace file format: JSON Lines, a header line and then one record a line (docs/trace-format.md).
// Reading checks each line on its own and the trace as a whole (time order, the match and cars a
// record refers to), so a bad trace is refused before anything of it is played.
#pragma once

#include <cstddef>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sandbox/trace_record.h"

namespace sandbox {

// Why a trace was refused, naming the line (counted from 1) when there is one.
class TraceError : public std::runtime_error {
public:
    explicit TraceError(const std::string& reason) : std::runtime_error(reason) {}
};

// The most a line may hold, so that a bad trace is refused in bounded time and memory.
inline constexpr std::size_t MaxTraceLineBytes = 65536;
inline constexpr int MaxTraceNesting = 8;  // lists and objects inside each other

std::string FormatHeader(const TraceHeader& header);
std::string FormatRecord(const TraceRecord& record);  // one line, without its line end

TraceHeader ParseHeader(std::string_view line);       // throws TraceError
TraceRecord ParseRecord(std::string_view line);       // throws TraceError

// What the records before this one left in the game, to check the next record against.
class TraceChecker {
public:
    void Check(const TraceRecord& record);  // throws TraceError

private:
    double lastTime_ = 0.0;
    bool matchOpen_ = false;
    int cars_ = 0;
    bool localCar_ = false;
};

// Reads and checks a whole trace. Throws TraceError "line N: reason".
struct Trace {
    TraceHeader header;
    std::vector<TraceRecord> records;
};
Trace ReadTrace(std::istream& in);

}  // namespace sandbox
