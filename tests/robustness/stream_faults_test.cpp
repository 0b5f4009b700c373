// Streams that fail, run short, stall or misreport what they delivered: the
// pane must come up all the same, read no further than the fault, never seek
// or write, and give the stream back on Unload.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "robustness_support.h"
#include "scripted_stream.h"

namespace {

using namespace robustness;

constexpr ULONG kChunk = 1048576;  // what the handler asks for on each read

ROBUSTNESS_CASE(ReadErrors, "stream-read-errors");
ROBUSTNESS_CASE(ShortReads, "stream-short-reads");
ROBUSTNESS_CASE(MisreportedCounts, "stream-misreported-counts");
ROBUSTNESS_CASE(StallingRead, "stream-stalling-read");
ROBUSTNESS_CASE(LongStream, "stream-256-mib");

// Three full chunks and a short one, unique to the test.
std::vector<std::uint8_t> FourChunks(const std::string& tag) {
    std::vector<std::uint8_t> content = UniqueContent(tag);
    content.resize(3 * kChunk + 100, 0x5C);
    return content;
}

struct Fault {
    const char* what;
    ScriptedStream::Step step;
};

// Previews a stream that misbehaves on its read number `at`: reading must end there.
void TryFault(PreviewCase& test, const Fault& fault, std::size_t at, const std::vector<Outcome>& allowed) {
    CaseReport& report = test.report();
    const std::string label = std::string(fault.what) + " on read " + std::to_string(at);
    ScriptedStream stream(FourChunks(label));
    stream.Script(at, fault.step);
    test.TryPreview(label, &stream, allowed);
    report.Check(stream.reads() == static_cast<int>(at) + 1,
                 label + ": " + std::to_string(stream.reads()) + " reads, the fault ends them");
    report.Check(stream.other_calls() == 0, label + ": the stream was asked for more than reads");
    report.Check(stream.refs() == 1, label + ": the stream is still held");
}

// A failed read ends the content: some hash what came before (the hint), some
// give no key (the icon alone); neither may show a picture or fail the pane.
TEST_F(ReadErrors, EndTheContentAtEveryRead) {
    const Fault faults[] = {
        {"E_FAIL, nothing delivered", {0, E_FAIL}},
        {"STG_E_READFAULT after 512 bytes", {512, STG_E_READFAULT}},
        {"E_PENDING, nothing delivered", {0, E_PENDING}},
        {"HRESULT of ERROR_NETNAME_DELETED after a full chunk", {kChunk, HRESULT_FROM_WIN32(ERROR_NETNAME_DELETED)}},
    };
    for (const Fault& fault : faults) {
        for (std::size_t at = 0; at < 4; ++at) TryFault(*this, fault, at, {Outcome::Hint, Outcome::IconOnly});
    }
}

// A read that delivers less than asked is taken for the end of the content.
TEST_F(ShortReads, EndTheContentWithAKey) {
    const Fault faults[] = {
        {"1,000 bytes", {1000, S_OK}},
        {"1 byte", {1, S_OK}},
        {"0 bytes, S_OK", {0, S_OK}},
        {"0 bytes, S_FALSE", {0, S_FALSE}},
        {"one byte short of a chunk", {kChunk - 1, S_OK}},
    };
    for (const Fault& fault : faults) {
        for (std::size_t at = 0; at < 4; ++at) TryFault(*this, fault, at, {Outcome::Hint});
    }
}

// A stream that claims more than the buffer holds must not make the handler
// read past it; one that claims less only ends the content early.
TEST_F(MisreportedCounts, NeverReadPastTheBuffer) {
    ScriptedStream::Step over_by_one{ULONG_MAX, S_OK};
    over_by_one.claimed_count = kChunk + 1;
    ScriptedStream::Step everything{ULONG_MAX, S_OK};
    everything.claimed_count = ULONG_MAX;
    ScriptedStream::Step half_of_it{ULONG_MAX, S_OK};
    half_of_it.claimed_count = kChunk / 2;
    ScriptedStream::Step silent{ULONG_MAX, S_OK};
    silent.count_unwritten = true;
    const struct {
        Fault fault;
        std::vector<Outcome> allowed;
    } cases[] = {
        {{"claims one byte more than asked", over_by_one}, {Outcome::IconOnly, Outcome::Hint}},
        {{"claims 4 GiB", everything}, {Outcome::IconOnly, Outcome::Hint}},
        {{"claims half of what it delivered", half_of_it}, {Outcome::Hint}},
        // The handler sets the count to 0 before each read.
        {{"leaves the count unwritten", silent}, {Outcome::Hint}},
    };
    for (const auto& c : cases) {
        for (std::size_t at = 0; at < 2; ++at) TryFault(*this, c.fault, at, c.allowed);
    }
}

// A file on a slow share: the preview waits for it, then comes up as usual.
TEST_F(StallingRead, StillBringsThePaneUp) {
    constexpr DWORD kStall = 2000;
    ScriptedStream::Step stall{ULONG_MAX, S_OK};
    stall.delay_ms = kStall;
    ScriptedStream stream(FourChunks("stalling"));
    stream.Script(1, stall);
    const auto start = std::chrono::steady_clock::now();
    TryPreview("2 s on the second read", &stream, {Outcome::Hint});
    const auto took = std::chrono::steady_clock::now() - start;
    report_.Check(took >= std::chrono::milliseconds(kStall), "the stall was not waited for");
    report_.Check(stream.reads() == 4, "not every read was made");
    report_.Check(stream.refs() == 1, "the stream is still held");
}

// Serves `size` bytes made on the fly, so that its length costs no memory.
class GeneratedStream final : public TestStreamBase {
public:
    explicit GeneratedStream(ULONGLONG size) : left_(size) {}

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* delivered) override {
        const ULONG n = static_cast<ULONG>(std::min<ULONGLONG>(count, left_));
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        for (ULONG i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(left_ - i);
        left_ -= n;
        if (delivered) *delivered = n;
        return n < count ? S_FALSE : S_OK;
    }

private:
    ULONGLONG left_;
};

// The whole content is hashed through one buffer, whatever its length.
TEST_F(LongStream, IsHashedInBoundedMemory) {
    peak_allowance_ = 16u << 20;
    GeneratedStream stream(256ull << 20);
    TryPreview("256 MiB", &stream, {Outcome::Hint});
    report_.Check(stream.refs() == 1, "the stream is still held");
}

}  // namespace
