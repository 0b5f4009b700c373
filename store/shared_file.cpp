#include "shared_file.h"

#include <algorithm>

#include "win32_raii.h"

namespace tamsel {

std::optional<std::vector<std::uint8_t>> ReadSharedFile(const std::wstring& path, std::size_t max_bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size = {};
    if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > max_bytes) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) return std::nullopt;
        done += got;
    }
    return bytes;
}

}  // namespace tamsel
