// Reads a fuzzer's bytes as a fixed record: little-endian 32-bit integers and
// single bytes, in order, with zeros once the input runs out. Fixed offsets
// keep the seed files easy to write by hand.
#pragma once

#include <cstddef>
#include <cstdint>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

    std::int32_t Int32() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{Byte()} << shift;
        return static_cast<std::int32_t>(value);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
