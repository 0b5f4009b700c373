#include "preview_png.h"

#include <objidl.h>  // PROPID and IStream, left out by WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include "win32_raii.h"
#include "png_encoder.h"
#include "store_picture.h"

namespace tamsel {
namespace {

// Deletes the temporary file on every path that did not move it into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!moved_) DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const wchar_t* path() const { return path_.c_str(); }
    void mark_moved() { moved_ = true; }

private:
    std::wstring path_;
    bool moved_ = false;
};

// Named after the target and a new GUID: writers of other processes, also on
// other workstations writing to the same share, never share it, and readers
// only ever open files named by a bare key.
std::wstring TemporaryPathFor(const std::wstring& path) {
    GUID guid = {};
    wchar_t text[40] = {};
    if (FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, text, 40) == 0) return {};
    return path + L"." + text + L".tmp";
}

}  // namespace

bool ReplaceFileContent(const std::wstring& path, const std::vector<std::uint8_t>& bytes) noexcept try {
    if (path.empty() || bytes.empty()) return false;
    const std::wstring temporary_path = TemporaryPathFor(path);
    if (temporary_path.empty()) return false;
    TemporaryFile temporary(temporary_path);
    {
        UniqueFile file(CreateFileW(temporary.path(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            return false;
        }
        // On disk before it takes the key's name: a picture lost to a power
        // failure must not leave an empty file, which would count as stored.
        if (!FlushFileBuffers(file.get())) return false;
    }
    // Replacing needs delete access to the old file, which a reader's handle
    // (read sharing only) denies: then the new picture is dropped.
    if (!MoveFileExW(temporary.path(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    temporary.mark_moved();
    return true;
} catch (...) {
    return false;
}

std::vector<std::uint8_t> EncodePreviewPng(const std::uint8_t* bitmap_bgr, std::size_t stride,
                                           PictureSize size) noexcept try {
    // GDI+ only reads the rows while encoding; the bitmap does not outlive this call.
    Gdiplus::Bitmap bitmap(size.width, size.height, static_cast<INT>(stride), PixelFormat24bppRGB,
                           const_cast<BYTE*>(bitmap_bgr));
    CLSID png_encoder;
    if (bitmap.GetLastStatus() != Gdiplus::Ok || !FindPngEncoder(&png_encoder)) return {};

    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return {};
    if (bitmap.Save(stream.get(), &png_encoder, nullptr) != Gdiplus::Ok) return {};

    STATSTG stat = {};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart == 0 ||
        stat.cbSize.QuadPart > kMaxStoredPictureBytes) {
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    if (FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)) ||
        FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size()) {
        return {};
    }
    return bytes;
} catch (...) {
    return {};
}

}  // namespace tamsel
