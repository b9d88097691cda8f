// Writing and streaming trace files through zlib, which reads plain files as they are.
#include "sandbox/trace_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <variant>

namespace sandbox {

namespace {

bool Compressed(const std::filesystem::path& path) { return path.extension() == ".gz"; }

bool IsSetInputOf(const TraceRecord& record, int car) {
    const auto* event = std::get_if<record::Event>(&record.body);
    return event && event->event == GameEvent::CarSetInput && event->car == car;
}

}  // namespace

// [SECTION] Writing

struct TraceWriter::Output {
    gzFile file = nullptr;
};

TraceWriter::TraceWriter(const std::filesystem::path& path, const TraceHeader& header) : output_(std::make_unique<Output>()) {
    // "wb6": compressed at zlib's default level; "wT": written as it is, no gzip framing.
    output_->file = gzopen(path.string().c_str(), Compressed(path) ? "wb6" : "wT");
    if (!output_->file) throw TraceError("cannot write the trace " + path.string());
    gzbuffer(output_->file, 1 << 16);
    Put(FormatHeader(header));
}

TraceWriter::~TraceWriter() {
    if (output_->file) gzclose(output_->file);
}

void TraceWriter::Put(const std::string& line) {
    if (failed_) return;
    if (gzwrite(output_->file, line.data(), static_cast<unsigned>(line.size())) != static_cast<int>(line.size()) ||
        gzputc(output_->file, '\n') != '\n')
        failed_ = true;
}

void TraceWriter::Emit(const TraceRecord& record, bool inputsImplied) {
    Put(FormatCompactRecord(record, memory_, inputsImplied));
    if (const auto* state = std::get_if<record::State>(&record.body); !state || !state->compact.inputsOnly)
        memory_.Update(record);
}

void TraceWriter::ReleaseHeldState() {
    const TraceRecord held = std::move(*heldState_);
    heldState_.reset();
    if (!std::get<record::State>(held.body).compact.inputsOnly) Emit(held, false);
    record::Event setInput;
    setInput.event = GameEvent::CarSetInput;
    TraceRecord input{held.t, setInput};
    for (int car = 0; car < inputsSeen_; ++car) {
        std::get<record::Event>(input.body).car = car;
        Emit(input, false);
    }
}

void TraceWriter::Write(const TraceRecord& record) {
    if (heldFrame_) {
        auto* state = std::get_if<record::State>(&record.body);
        if (state && record.t == *heldFrame_ && !heldState_) {
            heldFrame_.reset();
            TraceRecord withFrame = record;
            std::get<record::State>(withFrame.body).compact.frameBefore = true;
            return Write(withFrame);
        }
        Emit({*heldFrame_, record::Frame{}}, false);
        heldFrame_.reset();
    }
    if (heldState_) {
        const auto& held = std::get<record::State>(heldState_->body);
        const auto cars = held.compact.inputsOnly ? memory_.cars.size() : held.cars.size();
        if (record.t == heldState_->t && IsSetInputOf(record, inputsSeen_)) {
            if (static_cast<std::size_t>(++inputsSeen_) == cars) {  // every car's input, in order: implied
                const TraceRecord state = std::move(*heldState_);
                heldState_.reset();
                Emit(state, true);
            }
            return;
        }
        ReleaseHeldState();
    }
    if (std::holds_alternative<record::Frame>(record.body)) {
        heldFrame_ = record.t;
        return;
    }
    const auto* state = std::get_if<record::State>(&record.body);
    if (state && !state->cars.empty()) {
        heldState_ = record;
        inputsSeen_ = 0;
        return;
    }
    if (IsSetInputOf(record, 0) && !memory_.cars.empty()) {
        // The start of a run of inputs without a state before it: an "inputs" line if it is whole.
        record::State inputsOnly;
        inputsOnly.compact.inputsOnly = true;
        heldState_ = TraceRecord{record.t, inputsOnly};
        inputsSeen_ = 1;
        if (memory_.cars.size() == 1) {
            const TraceRecord whole = std::move(*heldState_);
            heldState_.reset();
            Emit(whole, true);
        }
        return;
    }
    Emit(record, false);
}

bool TraceWriter::Close() {
    if (!output_->file) return !failed_;
    if (heldState_) ReleaseHeldState();
    if (heldFrame_) Emit({*heldFrame_, record::Frame{}}, false);
    heldFrame_.reset();
    const int closed = gzclose(output_->file);
    output_->file = nullptr;
    return !failed_ && closed == Z_OK;
}

// [SECTION] Reading

struct TraceReader::Input {
    gzFile file = nullptr;
    std::vector<char> buffer = std::vector<char>(1 << 16);
    std::size_t at = 0, end = 0;
    bool finished = false, failed = false;

    bool Fill() {
        if (finished) return false;
        const int got = gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got <= 0) {
            finished = true;
            int code = Z_OK;
            gzerror(file, &code);
            failed = got < 0 || code != Z_OK;  // Z_BUF_ERROR: a compressed file cut short
            return false;
        }
        at = 0;
        end = static_cast<std::size_t>(got);
        return true;
    }

    // As ReadBoundedLine: the next line without its '\n', at most MaxTraceLineBytes + 1 of its bytes
    // kept; false at the end.
    bool Line(std::string& line) {
        line.clear();
        bool any = false;
        for (;;) {
            if (at == end && !Fill()) return any;
            any = true;
            const char* start = buffer.data() + at;
            const auto* lineEnd = static_cast<const char*>(std::memchr(start, '\n', end - at));
            const std::size_t length = lineEnd ? static_cast<std::size_t>(lineEnd - start) : end - at;
            const std::size_t room = MaxTraceLineBytes + 1 - std::min(line.size(), MaxTraceLineBytes + 1);
            line.append(start, std::min(length, room));
            at += length;
            if (lineEnd) {
                ++at;
                return true;
            }
        }
    }
};

TraceReader::TraceReader(const std::filesystem::path& path) : input_(std::make_unique<Input>()) {
    input_->file = gzopen(path.string().c_str(), "rb");
    if (!input_->file) throw TraceError("cannot open the trace " + path.string());
    std::string line;
    while (!decoder_.HeaderSeen() && NextLine(line)) {
        try {
            decoder_.Line(line, ready_);
        } catch (const TraceError& e) {
            throw TraceError("line " + std::to_string(lineNumber_) + ": " + e.what());
        }
    }
    if (input_->failed) throw TraceError("the trace could not be read (a damaged compressed file?)");
    if (!decoder_.HeaderSeen()) throw TraceError(EmptyTraceReason());
}

TraceReader::~TraceReader() {
    if (input_->file) gzclose(input_->file);
}

bool TraceReader::NextLine(std::string& line) {
    for (;;) {
        if (!input_->Line(line)) return false;
        ++lineNumber_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) return true;
    }
}

bool TraceReader::Next(TraceRecord& record) {
    std::string& line = line_;
    while (nextReady_ == ready_.size()) {
        ready_.clear();
        nextReady_ = 0;
        if (!NextLine(line)) {
            if (input_->failed)
                throw TraceError("line " + std::to_string(lineNumber_ + 1) +
                                 ": the trace could not be read (a damaged compressed file?)");
            return false;
        }
        try {
            decoder_.Line(line, ready_);
        } catch (const TraceError& e) {
            throw TraceError("line " + std::to_string(lineNumber_) + ": " + e.what());
        }
    }
    record = std::move(ready_[nextReady_++]);
    ++records_;
    return true;
}

}  // namespace sandbox
