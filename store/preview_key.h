// The Preview key: a 16-character name for a file's exact bytes, under which
// its picture is filed in the Preview store. Portable code: no Windows headers,
// so the chunk loop also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamsel {

inline constexpr std::size_t kPreviewChunkSize = 1048576;

// Appended to the content before the digest is taken.
inline constexpr char kPreviewKeySalt[] = "Tor Wendal";
inline constexpr std::size_t kPreviewKeySaltSize = sizeof(kPreviewKeySalt) - 1;

struct ChunkRead {
    std::size_t count = 0;
    bool failed = false;  // the source reported an error: the content is unknown
};

class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    virtual ChunkRead Read(std::uint8_t* buffer, std::size_t capacity) = 0;
};

class DigestSink {
public:
    virtual ~DigestSink() = default;
    virtual bool Update(const std::uint8_t* data, std::size_t size) = 0;
    // Returns how many digest bytes were written to `digest`, 0 on failure.
    virtual std::size_t Finish(std::uint8_t (&digest)[16]) = 0;
};

// One character of "0123456789abcdef" per digest byte, from its low four bits.
std::wstring PreviewKeyFromDigest(const std::uint8_t* digest, std::size_t size);

// Reads `source` into `buffer` until the first request that delivers less than
// `capacity`, hashes what arrived and the salt, and returns the key; empty when
// the source fails or the digest does.
std::wstring HashChunksToPreviewKey(ChunkSource& source, DigestSink& sink,
                                    std::uint8_t* buffer, std::size_t capacity);

}  // namespace tamsel
