// Checked trace records held in memory, packed a few bytes a field, so that a trace is read once:
// every record is checked before the first is played, then played from here. A match's held records
// take less memory than its version-2 text (a SetInput 2 bytes, a 6-car state about 130).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sandbox/trace_record.h"

namespace sandbox {

class PackedRecords {
public:
    // A record as it is played: what a version-2 line left out is not kept (it was put back already).
    void Add(const TraceRecord& record);
    std::size_t Bytes() const { return bytes_.size(); }
    std::size_t Records() const { return records_; }
    void Clear();  // gives the memory back

    // The held records in the order they were added.
    class Cursor {
    public:
        explicit Cursor(const PackedRecords& records) : bytes_(records.bytes_) {}
        bool Next(TraceRecord& record);  // false after the last

    private:
        std::uint8_t Byte();
        std::uint32_t Count();
        float Float();
        double Double();
        std::string Text();
        Vector Location();

        const std::vector<std::uint8_t>& bytes_;
        std::size_t at_ = 0;
        double t_ = 0.0;
    };

private:
    void Byte(std::uint8_t value) { bytes_.push_back(value); }
    void Count(std::uint32_t value);
    void Float(float value);
    void Double(double value);
    void Text(const std::string& value);
    void Location(const Vector& value);

    std::vector<std::uint8_t> bytes_;
    std::size_t records_ = 0;
    double lastTime_ = -1.0;
};

}  // namespace sandbox
