#include "preview_store.h"

#include <windows.h>
#include <wincrypt.h>
#include <shlobj.h>

#include <memory>
#include <new>

#include "win32_raii.h"
#include "preview_key.h"

namespace tamsel {
namespace {

class CryptoMd5 final : public DigestSink {
public:
    CryptoMd5() {
        if (!CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
            provider_ = 0;
            return;
        }
        if (!CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_)) hash_ = 0;
    }
    ~CryptoMd5() override {
        if (hash_) CryptDestroyHash(hash_);
        if (provider_) CryptReleaseContext(provider_, 0);
    }
    CryptoMd5(const CryptoMd5&) = delete;
    CryptoMd5& operator=(const CryptoMd5&) = delete;

    bool ready() const { return hash_ != 0; }

    bool Update(const std::uint8_t* data, std::size_t size) override {
        return CryptHashData(hash_, data, static_cast<DWORD>(size), 0) != FALSE;
    }
    std::size_t Finish(std::uint8_t (&digest)[16]) override {
        DWORD size = sizeof digest;
        if (!CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0)) return 0;
        return size;
    }

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};

class StreamSource final : public ChunkSource {
public:
    explicit StreamSource(IStream* stream) : stream_(stream) {}
    ChunkRead Read(std::uint8_t* buffer, std::size_t capacity) override {
        ULONG delivered = 0;
        const HRESULT hr = stream_->Read(buffer, static_cast<ULONG>(capacity), &delivered);
        return {delivered, FAILED(hr)};
    }

private:
    IStream* stream_;
};

class FileSource final : public ChunkSource {
public:
    explicit FileSource(HANDLE file) : file_(file) {}
    ChunkRead Read(std::uint8_t* buffer, std::size_t capacity) override {
        DWORD delivered = 0;
        const BOOL ok = ReadFile(file_, buffer, static_cast<DWORD>(capacity), &delivered, nullptr);
        return {delivered, !ok};
    }

private:
    HANDLE file_;
};

std::wstring HashWithCryptoApi(ChunkSource& source) {
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[kPreviewChunkSize]());
    if (!buffer) return {};
    CryptoMd5 md5;
    if (!md5.ready()) return {};
    return HashChunksToPreviewKey(source, md5, buffer.get(), kPreviewChunkSize);
}

}  // namespace

std::wstring ComputePreviewKey(IStream* stream) noexcept {
    if (!stream) return {};
    try {
        StreamSource source(stream);
        return HashWithCryptoApi(source);
    } catch (...) {
        return {};
    }
}

std::wstring ComputePreviewKeyOfFile(const std::wstring& path) noexcept {
    if (path.empty()) return {};
    try {
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) return {};
        FileSource source(file.get());
        return HashWithCryptoApi(source);
    } catch (...) {
        return {};
    }
}

std::wstring GetPreviewStoreFolder() noexcept {
    try {
        wchar_t base[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base)) ||
            base[0] == L'\0') {
            return {};
        }
        return std::wstring(base) + L"\\tamsel\\";
    } catch (...) {
        return {};
    }
}

std::wstring GetPreviewFilePath(const std::wstring& key) noexcept {
    try {
        std::wstring folder = GetPreviewStoreFolder();
        if (folder.empty() || key.empty()) return {};
        return folder + key;
    } catch (...) {
        return {};
    }
}

}  // namespace tamsel
