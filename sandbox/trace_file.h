// Trace files: written in the compact version 2 (gzip-compressed when the name ends in ".gz") and read
// as a stream of checked records, in memory that does not grow with the trace's length. Both versions
// are read, plain or gzip-compressed, whatever the name.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sandbox/trace_format.h"

namespace sandbox {

class TraceWriter {
public:
    // Throws TraceError when the file cannot be created.
    TraceWriter(const std::filesystem::path& path, const TraceHeader& header);
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    void Write(const TraceRecord& record);
    bool Close();  // writes what is held back; false when not everything reached the file

private:
    void Emit(const TraceRecord& record, bool inputsImplied);
    void ReleaseHeldState();  // the state held back, with the SetInputs after it written out
    void Put(const std::string& line);

    struct Output;
    std::unique_ptr<Output> output_;
    TraceCarMemory memory_;
    std::optional<TraceRecord> heldState_;  // a state with cars whose SetInputs may be left out
    std::optional<double> heldFrame_;       // a frame that may go into the state at its moment
    int inputsSeen_ = 0;                    // of the held state's cars, in car order
    bool failed_ = false;
};

class TraceReader {
public:
    // Opens the trace and reads its header. Throws TraceError ("cannot open ..." or "line N: reason").
    explicit TraceReader(const std::filesystem::path& path);
    ~TraceReader();
    TraceReader(const TraceReader&) = delete;
    TraceReader& operator=(const TraceReader&) = delete;

    const TraceHeader& Header() const { return decoder_.Header(); }
    // The next record, checked; false at the end. Throws TraceError "line N: reason".
    bool Next(TraceRecord& record);
    std::size_t Records() const { return records_; }

private:
    bool NextLine(std::string& line);  // bounded like ReadBoundedLine

    struct Input;
    std::unique_ptr<Input> input_;
    TraceDecoder decoder_;
    std::string line_;                // the line being read, kept for its memory
    std::vector<TraceRecord> ready_;  // records a line gave, not yet returned
    std::size_t nextReady_ = 0;
    std::size_t lineNumber_ = 0;
    std::size_t records_ = 0;
};

}  // namespace sandbox
