// An IStream for tests: serves bytes, can fail, run short, stall or misreport
// its count on chosen reads, and counts every call that is not Read (a
// preview must only ever read).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

// The part of a test stream that is not Read: a reference count for a stream
// that lives on the stack, and every other call counted and refused.
class TestStreamBase : public IStream {
public:
    int other_calls() const { return other_calls_; }
    LONG refs() const { return refs_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    // Lifetime is the test's: the object lives on the stack.
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs_); }

    // ISequentialStream, apart from Read
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return Other(); }

    // IStream
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return Other(); }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return Other();
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return Other(); }
    HRESULT STDMETHODCALLTYPE Revert() override { return Other(); }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return Other(); }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return Other(); }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return Other(); }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return Other(); }

protected:
    ~TestStreamBase() = default;

private:
    HRESULT Other() {
        ++other_calls_;
        return E_NOTIMPL;
    }

    int other_calls_ = 0;
    LONG refs_ = 1;
};

class ScriptedStream final : public TestStreamBase {
public:
    // What the n-th Read (0-based) does instead of serving bytes normally.
    struct Step {
        ULONG max_count;  // deliver at most this many bytes on that read
        HRESULT result;   // and report this
        DWORD delay_ms = 0;                  // first wait this long, as a slow network file does
        bool count_unwritten = false;        // leave the caller's count as it was
        std::optional<ULONG> claimed_count = std::nullopt;  // report this count instead of the true one
    };

    explicit ScriptedStream(std::vector<std::uint8_t> bytes, std::size_t position = 0)
        : bytes_(std::move(bytes)), position_(position) {}

    void Script(std::size_t read_index, Step step) {
        if (script_.size() <= read_index) script_.resize(read_index + 1, {ULONG_MAX, S_OK});
        script_[read_index] = step;
    }

    int reads() const { return reads_; }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* delivered) override {
        const std::size_t index = reads_++;
        Step step{ULONG_MAX, S_OK};
        if (index < script_.size()) step = script_[index];
        if (step.delay_ms) Sleep(step.delay_ms);
        const std::size_t left = bytes_.size() - std::min(position_, bytes_.size());
        const ULONG n = static_cast<ULONG>(std::min<std::size_t>({count, left, step.max_count}));
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        if (delivered && !step.count_unwritten) *delivered = step.claimed_count.value_or(n);
        if (step.result != S_OK) return step.result;
        return n < count ? S_FALSE : S_OK;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_;
    std::vector<Step> script_;
    int reads_ = 0;
};
