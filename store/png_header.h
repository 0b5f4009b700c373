// The size a PNG file claims in its header. The store is writable by every
// user, so a file is judged by its header before any decoder sees it.
// Portable code: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tamsel {

// Larger sides are refused unread: decoders may crash on them, and a picture of
// 2048 x 2048 already takes 16 MiB decoded, while previews are 512 x 384 at most.
inline constexpr std::uint32_t kMaxPreviewSide = 2048;

// Signature plus the IHDR chunk's length, type, width and height.
inline constexpr std::size_t kPngHeaderSize = 24;

struct PngSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The IHDR size of `bytes`, or nothing when they do not start like a PNG.
std::optional<PngSize> ReadPngSize(const std::uint8_t* bytes, std::size_t size);

// A PNG whose header is sound and whose sides are 1 to kMaxPreviewSide.
bool IsLoadablePngHeader(const std::uint8_t* bytes, std::size_t size);

}  // namespace tamsel
