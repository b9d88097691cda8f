// Checking a trace file whole, holding its records while they fit.
#include "sandbox/checked_trace.h"

#include "sandbox/trace_file.h"

namespace sandbox {

CheckedTrace::CheckedTrace(const std::filesystem::path& path, std::size_t holdBytes) : path_(path) {
    TraceReader reader(path);
    TraceRecord record;
    while (reader.Next(record)) {
        if (!held_) continue;
        records_.Add(record);
        if (records_.Bytes() > holdBytes) {
            records_.Clear();
            held_ = false;
        }
    }
}

std::size_t CheckedTrace::Play(const std::function<void(const TraceRecord&)>& play) const {
    TraceRecord record;
    if (held_) {
        for (PackedRecords::Cursor cursor(records_); cursor.Next(record);) play(record);
        return records_.Records();
    }
    TraceReader reader(path_);
    while (reader.Next(record)) play(record);
    return reader.Records();
}

}  // namespace sandbox
