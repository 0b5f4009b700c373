// The stored picture's header guard under arbitrary bytes, checked against a
// reading of the header written independently here: the guard must refuse
// everything but a PNG signature, an IHDR chunk of length 13 and sides of 1 to
// 2,048, and must read nothing past the bytes it is given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "png_header.h"

namespace {

// Signature, then the first chunk's length (13) and type.
constexpr char kPngStart[] = "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR";
constexpr std::size_t kPngStartSize = sizeof(kPngStart) - 1;
constexpr std::size_t kSidesEnd = kPngStartSize + 8;
constexpr std::uint32_t kLargestSide = 2048;

std::uint32_t NetworkOrder(const std::uint8_t* p) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value * 256 + p[i];
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool is_png = size >= kSidesEnd && std::memcmp(data, kPngStart, kPngStartSize) == 0;
    const std::uint32_t width = is_png ? NetworkOrder(data + kPngStartSize) : 0;
    const std::uint32_t height = is_png ? NetworkOrder(data + kPngStartSize + 4) : 0;
    const bool loadable = is_png && width >= 1 && height >= 1 && width <= kLargestSide && height <= kLargestSide;

    const std::optional<tamsel::PngSize> read = tamsel::ReadPngSize(data, size);
    if (read.has_value() != is_png) std::abort();
    if (read && (read->width != width || read->height != height)) std::abort();
    if (tamsel::IsLoadablePngHeader(data, size) != loadable) std::abort();
    return 0;
}
