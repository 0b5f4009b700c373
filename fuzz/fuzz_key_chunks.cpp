// The key's chunk loop under a fuzzed sequence of read results (counts and
// failures), checked against a plain model of the stop rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "preview_key.h"

namespace {

constexpr std::size_t kCapacity = 64;

class FuzzedReads final : public tamsel::ChunkSource {
public:
    FuzzedReads(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    tamsel::ChunkRead Read(std::uint8_t* buffer, std::size_t capacity) override {
        ++requests;
        if (pos_ + 2 > size_) return {0, false};
        // Counts up to capacity + 2, so oversized claims are tried too.
        const std::size_t count = data_[pos_] % (capacity + 3);
        const bool failed = (data_[pos_ + 1] & 0x0F) == 0;
        pos_ += 2;
        for (std::size_t i = 0; i < count && i < capacity; ++i) buffer[i] = static_cast<std::uint8_t>(i);
        return {count, failed};
    }
    std::size_t requests = 0;

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class CountingDigest final : public tamsel::DigestSink {
public:
    bool Update(const std::uint8_t*, std::size_t size) override {
        bytes += size;
        ++updates;
        return true;
    }
    std::size_t Finish(std::uint8_t (&digest)[16]) override {
        for (int i = 0; i < 16; ++i) digest[i] = static_cast<std::uint8_t>(bytes >> (i % 8));
        return 16;
    }
    std::size_t bytes = 0;
    std::size_t updates = 0;
};

// What the loop must do, written out plainly.
struct Expected {
    bool key;
    std::size_t content_bytes;
};

Expected Model(const std::uint8_t* data, std::size_t size) {
    std::size_t total = 0;
    for (std::size_t pos = 0;; pos += 2) {
        if (pos + 2 > size) return {true, total};
        const std::size_t count = data[pos] % (kCapacity + 3);
        const bool failed = (data[pos + 1] & 0x0F) == 0;
        if (failed || count > kCapacity) return {false, 0};
        total += count;
        if (count < kCapacity) return {true, total};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> buffer(kCapacity);
    FuzzedReads source(data, size);
    CountingDigest digest;
    const std::wstring key = tamsel::HashChunksToPreviewKey(source, digest, buffer.data(), kCapacity);

    const Expected expected = Model(data, size);
    if (key.empty() == expected.key) std::abort();
    if (expected.key) {
        if (key.size() != 16) std::abort();
        for (wchar_t c : key)
            if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) std::abort();
        if (digest.bytes != expected.content_bytes + tamsel::kPreviewKeySaltSize) std::abort();
    }
    return 0;
}
