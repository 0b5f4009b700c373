// The Preview store on Windows: keys of streams and files, and where their
// pictures live. Nothing here throws.
#pragma once

#include <objidl.h>

#include <string>

namespace tamsel {

// The key of the stream's content from its current position on; empty when a
// read reports an error or the digest cannot be made. Only Read is called.
std::wstring ComputePreviewKey(IStream* stream) noexcept;

// The key of a file's content, opened read-only (others may read, not write);
// empty for an empty path, a file that cannot be opened, or a read error.
std::wstring ComputePreviewKeyOfFile(const std::wstring& path) noexcept;

// The common application-data folder followed by "\tamsel\"; empty when the
// shell cannot say where that folder is.
std::wstring GetPreviewStoreFolder() noexcept;

// The store folder followed by the key; empty when the folder is unknown.
std::wstring GetPreviewFilePath(const std::wstring& key) noexcept;

}  // namespace tamsel
