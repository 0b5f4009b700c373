#include "preview_key.h"

namespace tamsel {

std::wstring PreviewKeyFromDigest(const std::uint8_t* digest, std::size_t size) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring key;
    key.reserve(size);
    for (std::size_t i = 0; i < size; ++i) key.push_back(kDigits[digest[i] & 0x0F]);
    return key;
}

std::wstring HashChunksToPreviewKey(ChunkSource& source, DigestSink& sink,
                                    std::uint8_t* buffer, std::size_t capacity) {
    for (;;) {
        const ChunkRead read = source.Read(buffer, capacity);
        // A source that claims more than the buffer holds is broken, not long.
        if (read.failed || read.count > capacity) return {};
        if (read.count > 0 && !sink.Update(buffer, read.count)) return {};
        if (read.count < capacity) break;
    }
    // Stored keys were made ignoring this step's outcome; so is this one.
    sink.Update(reinterpret_cast<const std::uint8_t*>(kPreviewKeySalt), kPreviewKeySaltSize);

    std::uint8_t digest[16] = {};
    const std::size_t size = sink.Finish(digest);
    if (size == 0 || size > sizeof digest) return {};
    return PreviewKeyFromDigest(digest, size);
}

}  // namespace tamsel
