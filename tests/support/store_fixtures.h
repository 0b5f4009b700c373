// Content that no other test shares, and its picture planted in the Preview
// store of the test's Wine prefix.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "preview_store.h"
#include "scripted_stream.h"

namespace store_fixtures {

// Bytes that no other test or run uses, so that their key is the caller's own.
inline std::vector<std::uint8_t> UniqueContent(const std::string& tag) {
    static std::atomic<int> counter{0};
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t guid_text[40] = {};
    StringFromGUID2(guid, guid_text, 40);
    std::string text = "ISO-10303-21; test " + tag + " " + std::to_string(GetCurrentProcessId()) + " " +
                       std::to_string(++counter) + " ";
    for (const wchar_t* c = guid_text; *c; ++c) text.push_back(static_cast<char>(*c));
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline std::wstring KeyOf(const std::vector<std::uint8_t>& content) {
    ScriptedStream stream(content);
    return tamsel::ComputePreviewKey(&stream);
}

// The Preview store's path for the key; the store folder is created if missing.
inline std::wstring StorePathFor(const std::wstring& key) {
    const std::wstring folder = tamsel::GetPreviewStoreFolder();
    if (folder.empty() || key.empty()) throw std::runtime_error("no store path");
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + key;
}

inline void WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a store file");
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write a store file");
}

// `bytes` stored as the picture of `content`, removed again at the end.
class StoredFile {
public:
    StoredFile(const std::vector<std::uint8_t>& content, const std::vector<std::uint8_t>& bytes)
        : path_(StorePathFor(KeyOf(content))) {
        WriteWholeFile(path_, bytes);
    }
    ~StoredFile() { DeleteFileW(path_.c_str()); }
    StoredFile(const StoredFile&) = delete;
    StoredFile& operator=(const StoredFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace store_fixtures
