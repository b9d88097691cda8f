// A trace file read and checked to its end before anything of it is played. Its records are held,
// packed, while they fit the hold limit and played from memory: the file is read once. A longer trace
// keeps nothing but the checker's state and is read again as it is played, so memory stays bounded
// whatever the trace's length.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

#include "sandbox/packed_records.h"
#include "sandbox/trace_record.h"

namespace sandbox {

inline constexpr std::size_t DefaultTraceHoldBytes = std::size_t{256} << 20;

class CheckedTrace {
public:
    // Throws TraceError ("cannot open ..." or "line N: reason").
    explicit CheckedTrace(const std::filesystem::path& path, std::size_t holdBytes = DefaultTraceHoldBytes);

    bool Held() const { return held_; }
    // Hands each record to play, in order, and returns how many there were. Throws TraceError when the
    // file, read again, is no longer the trace that was checked.
    std::size_t Play(const std::function<void(const TraceRecord&)>& play) const;

private:
    std::filesystem::path path_;
    PackedRecords records_;
    bool held_ = true;
};

}  // namespace sandbox
