// Writing preview pictures as PNG files, through GDI+ (started by the plugin's load).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture_rules.h"

namespace tamsel {

// Encodes top-down rows of blue, green, red bytes as an opaque 24-bit PNG and
// puts it at `path`. The PNG goes to a temporary file in the same folder first
// and then replaces the old file in one move, so nobody ever sees a partial
// file; the move fails while a reader holds the old one. False on any failure,
// and then no temporary file remains.
bool WritePreviewPng(const std::wstring& path, const std::uint8_t* bitmap_bgr, std::size_t stride,
                     PictureSize size) noexcept;

}  // namespace tamsel
