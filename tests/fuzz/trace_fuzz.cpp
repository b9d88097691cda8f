// Fuzzes match traces, as a whole and line by line. A whole trace is either read or refused with its
// line and reason; each line is JSON to the trace's parser exactly when it is to nlohmann's; a line that
// is read is written back as a line that reads as the same record, and written again the same way.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "sandbox/json_line.h"
#include "sandbox/trace_format.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The trace's own JSON parser accepts exactly what nlohmann's accepts (within its depth). nlohmann ends
// its input at a NUL byte, where the trace's parser refuses the line: such lines are not compared.
void CheckJson(std::string_view line) {
    sandbox::JsonLine json;
    const bool parsed = json.Parse(line, 64);
    if (!json.TooDeep() && line.find('\0') == std::string_view::npos)
        zando_fuzz::Check(parsed == nlohmann::json::accept(line),
                          "the trace's JSON parser and nlohmann's disagree on: " + std::string(line));
}

void CheckRoundTrip(std::string_view line) {
    using zando_fuzz::Check;
    sandbox::TraceRecord record;
    try {
        record = sandbox::ParseRecord(line);
    } catch (const sandbox::TraceError&) {
        try {
            const sandbox::TraceHeader header = sandbox::ParseHeader(line);
            const std::string written = sandbox::FormatHeader(header);
            Check(sandbox::FormatHeader(sandbox::ParseHeader(written)) == written, "a header line changes when written again");
        } catch (const sandbox::TraceError&) {
        }
        return;
    }
    const std::string written = sandbox::FormatRecord(record);
    Check(written.find('\n') == std::string::npos, "a record was written on more than one line");
    std::string again;
    try {
        again = sandbox::FormatRecord(sandbox::ParseRecord(written));
    } catch (const sandbox::TraceError& e) {
        zando_fuzz::Fail("a written record is refused (" + std::string(e.what()) + "): " + written);
    }
    Check(again == written, "a record changes when written again: " + written + " / " + again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(zando_fuzz::AsText(data, size));
    std::istringstream in(text);
    try {
        const sandbox::Trace trace = sandbox::ReadTrace(in);
        zando_fuzz::Check(trace.header.version >= 1, "a trace without a version was read");
    } catch (const sandbox::TraceError& e) {
        const std::string reason = e.what();
        zando_fuzz::Check(!reason.empty(), "a trace was refused without a reason");
    }
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        CheckJson(std::string_view(text).substr(from, end - from));
        CheckRoundTrip(std::string_view(text).substr(from, end - from));
        from = end + 1;
    }
    return 0;
}
