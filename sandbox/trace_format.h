// The trace file format: JSON Lines, a header line and then one record a line (docs/trace-format.md).
// Reading checks each line on its own and the trace as a whole (time order, the match and cars a
// record refers to), so a bad trace is refused before anything of it is played.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
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

// The height and boost of each car of the match as the records so far left them: what a version-2
// line may leave out of a car's entry.
struct TraceCarMemory {
    struct Car {
        float x = 0.0f, y = 0.0f, height = 0.0f;
        float boost = 0.0f;
    };
    std::vector<Car> cars;
    std::optional<Vector> ball;              // where the ball is, when a line has said so since the match began
    void Update(const TraceRecord& record);  // after the record was written or read
};

// A float as the double its shortest decimal text reads as (4607.89, not 4607.89013671875): what a
// trace writes for it, and what a version-2 move is added to.
double ShortestDouble(float value);

std::string FormatHeader(const TraceHeader& header);
std::string FormatRecord(const TraceRecord& record);  // one line of either version, without its line end
// A version-2 line: a state with cars leaves out what memory (the records before it) implies; with
// inputsImplied the SetInput of every car that follows it is not written.
std::string FormatCompactRecord(const TraceRecord& record, const TraceCarMemory& memory, bool inputsImplied);

TraceHeader ParseHeader(std::string_view line);                   // throws TraceError
TraceRecord ParseRecord(std::string_view line, int version = 1);  // throws TraceError; a state line as written

// What the records before this one left in the game, to check the next record against.
class TraceChecker {
public:
    void Check(const TraceRecord& record);  // throws TraceError
    void CheckTime(double t);               // a record at t may follow the ones before; throws TraceError

private:
    double lastTime_ = 0.0;
    bool matchOpen_ = false;
    int cars_ = 0;
    bool localCar_ = false;
};

// Turns a trace's lines, header first, into checked records, putting back what a version-2 line
// leaves out (the SetInputs after a state, a car's height and boost). Throws TraceError.
class TraceDecoder {
public:
    void Line(std::string_view line, std::vector<TraceRecord>& out);  // a line that is not blank
    bool HeaderSeen() const { return headerSeen_; }
    const TraceHeader& Header() const { return header_; }

private:
    TraceHeader header_;
    bool headerSeen_ = false;
    TraceChecker checker_;
    TraceCarMemory memory_;
};

// The next line without its '\n', from next() (a byte 0..255, or a negative number at the end); a
// line longer than MaxTraceLineBytes keeps only its first MaxTraceLineBytes + 1 bytes, enough to be
// refused by its length. False at the end.
template <class NextByte>
bool ReadBoundedLine(NextByte&& next, std::string& line) {
    line.clear();
    bool any = false;
    for (int c = next(); c >= 0; c = next()) {
        any = true;
        if (c == '\n') return true;
        if (line.size() <= MaxTraceLineBytes) line.push_back(static_cast<char>(c));
    }
    return any;
}
bool ReadBoundedLine(std::istream& in, std::string& line);  // from a stream

std::string EmptyTraceReason();  // why a trace without a header is refused

// Reads and checks a whole trace. Throws TraceError "line N: reason".
struct Trace {
    TraceHeader header;
    std::vector<TraceRecord> records;
};
Trace ReadTrace(std::istream& in);

}  // namespace sandbox
