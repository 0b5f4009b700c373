#include "png_header.h"

namespace tamsel {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint8_t kIhdrStart[8] = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

bool StartsWith(const std::uint8_t* bytes, const std::uint8_t (&expected)[8]) {
    for (std::size_t i = 0; i < 8; ++i) {
        if (bytes[i] != expected[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<PngSize> ReadPngSize(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes || size < kPngHeaderSize) return std::nullopt;
    if (!StartsWith(bytes, kSignature) || !StartsWith(bytes + 8, kIhdrStart)) return std::nullopt;
    return PngSize{BigEndian32(bytes + 16), BigEndian32(bytes + 20)};
}

bool IsLoadablePngHeader(const std::uint8_t* bytes, std::size_t size) {
    const std::optional<PngSize> png = ReadPngSize(bytes, size);
    return png && png->width >= 1 && png->height >= 1 && png->width <= kMaxPreviewSide &&
           png->height <= kMaxPreviewSide;
}

}  // namespace tamsel
