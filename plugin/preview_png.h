// Writing preview pictures as PNG files, through GDI+ (started by the plugin's load).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture_rules.h"

namespace tamsel {

// Top-down rows of blue, green, red bytes as an opaque 24-bit PNG; empty on
// any failure.
std::vector<std::uint8_t> EncodePreviewPng(const std::uint8_t* bitmap_bgr, std::size_t stride,
                                           PictureSize size) noexcept;

// Puts `bytes` at `path`: they go to a temporary file in the same folder first,
// which then replaces the old file in one move, so nobody ever sees a partial
// file; the move fails while a reader holds the old one. False on any failure,
// and then no temporary file remains.
bool ReplaceFileContent(const std::wstring& path, const std::vector<std::uint8_t>& bytes) noexcept;

}  // namespace tamsel
