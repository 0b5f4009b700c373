// PNG files made byte by byte, independently of any encoder under test: valid
// ones, huge ones that compress to a few megabytes, and ones whose header lies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <vector>

namespace png_bytes {

// A PNG and where each of its chunks starts (the last offset is the file's end).
struct PngFile {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> chunk_starts;
};

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::vector<std::uint32_t> t(256);
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Chunks of a PNG file, with their CRCs.
class PngWriter {
public:
    PngWriter() { file_.bytes.assign(std::begin(kSignature), std::end(kSignature)); }

    void Chunk(const char (&type)[5], const std::vector<std::uint8_t>& data) {
        file_.chunk_starts.push_back(file_.bytes.size());
        Put32(static_cast<std::uint32_t>(data.size()));
        const std::size_t typed_from = file_.bytes.size();
        file_.bytes.insert(file_.bytes.end(), type, type + 4);
        file_.bytes.insert(file_.bytes.end(), data.begin(), data.end());
        Put32(Crc32(file_.bytes.data() + typed_from, file_.bytes.size() - typed_from));
    }

    PngFile Finish() {
        Chunk("IEND", {});
        file_.chunk_starts.push_back(file_.bytes.size());
        return std::move(file_);
    }

private:
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

    void Put32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) file_.bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }

    PngFile file_;
};

inline void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline std::vector<std::uint8_t> Ihdr(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> data;
    Append32(data, width);
    Append32(data, height);
    // 8 bits per channel, RGB, deflate, no filter method, no interlace.
    data.insert(data.end(), {8, 2, 0, 0, 0});
    return data;
}

inline std::uint32_t Adler32(const std::vector<std::uint8_t>& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// zlib data of `raw` in stored (uncompressed) deflate blocks.
inline std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> out = {0x78, 0x01};
    std::size_t done = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - done, 65535);
        const bool last = done + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(n));
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(~n));
        out.push_back(static_cast<std::uint8_t>(~n >> 8));
        out.insert(out.end(), raw.begin() + done, raw.begin() + done + n);
        done += n;
    } while (done < raw.size());
    Append32(out, Adler32(raw));
    return out;
}

// Deflate's bit order: values from their lowest bit, Huffman codes from their highest.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void Value(std::uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) Bit((value >> i) & 1);
    }
    void Code(std::uint32_t code, int bits) {
        for (int i = bits - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
    void Flush() {
        if (used_) out_.push_back(current_);
        current_ = 0;
        used_ = 0;
    }

private:
    void Bit(std::uint32_t bit) {
        current_ |= static_cast<std::uint8_t>(bit << used_);
        if (++used_ == 8) Flush();
    }
    std::vector<std::uint8_t>& out_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

// zlib data of `count` zero bytes: one literal, then copies of 258 bytes at distance 1.
inline std::vector<std::uint8_t> ZeroRunZlib(std::uint64_t count) {
    constexpr std::uint32_t kLiteralZero = 0x30;  // fixed code of literal 0, 8 bits
    constexpr std::uint32_t kLength258 = 0xC5;    // fixed code of length symbol 285, 8 bits
    std::vector<std::uint8_t> out = {0x78, 0x01};
    BitWriter bits(out);
    bits.Value(1, 1);  // the final block
    bits.Value(1, 2);  // fixed Huffman codes
    std::uint64_t left = count;
    if (left > 0) {
        bits.Code(kLiteralZero, 8);
        --left;
    }
    for (; left >= 258; left -= 258) {
        bits.Code(kLength258, 8);
        bits.Code(0, 5);  // distance 1
    }
    for (; left > 0; --left) bits.Code(kLiteralZero, 8);
    bits.Code(0, 7);  // end of block
    bits.Flush();
    // Adler-32 of zeros: the low sum stays 1, the high one adds 1 per byte.
    Append32(out, static_cast<std::uint32_t>(((count % 65521) << 16) | 1));
    return out;
}

// A black 8-bit RGB picture of width x height, compressed as runs, so that
// even 16,384 x 16,384 pixels take only a few megabytes.
inline std::vector<std::uint8_t> BlackPng(std::uint32_t width, std::uint32_t height) {
    PngWriter png;
    png.Chunk("IHDR", Ihdr(width, height));
    // Each row: the filter byte and three zero bytes per pixel.
    png.Chunk("IDAT", ZeroRunZlib(static_cast<std::uint64_t>(height) * (1 + 3ull * width)));
    return png.Finish().bytes;
}

// A PNG whose header claims width x height, followed by a one-row IDAT and IEND,
// all checksums right.
inline std::vector<std::uint8_t> PngClaiming(std::uint32_t width, std::uint32_t height) {
    PngWriter png;
    png.Chunk("IHDR", Ihdr(width, height));
    png.Chunk("IDAT", ZeroRunZlib(1 + 3ull * std::min<std::uint32_t>(width, 64)));
    return png.Finish().bytes;
}


struct Rgb {
    std::uint8_t red, green, blue;
};

// An 8-bit RGB picture whose pixel (x, y) is `pixel(x, y)`, top row first.
inline std::vector<std::uint8_t> RgbPng(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const Rgb p = pixel(x, y);
            raw.insert(raw.end(), {p.red, p.green, p.blue});
        }
    }
    PngWriter png;
    png.Chunk("IHDR", Ihdr(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    png.Chunk("IDAT", StoredZlib(raw));
    return png.Finish().bytes;
}

}  // namespace png_bytes
