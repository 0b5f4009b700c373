// Reading small input files whole: bounded, and never while a writer holds them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamsel {

// The whole content of `path`, opened read-only so that others may read but not
// write it; nothing when it cannot be opened or read in full, is not a disk
// file, or holds more than `max_bytes`. May throw std::bad_alloc.
std::optional<std::vector<std::uint8_t>> ReadSharedFile(const std::wstring& path, std::size_t max_bytes);

}  // namespace tamsel
