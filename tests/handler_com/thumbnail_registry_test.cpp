// Thumbnails the way Explorer finds them once the server is registered: the
// file type's thumbnail slot names a class, COM creates it from the registry,
// the file arrives as a stream.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <optional>
#include <string>
#include <vector>

#include "win32_raii.h"
#include "handler_dll.h"
#include "registry_names.h"
#include "thumbnail_fixtures.h"

namespace {

using tamsel::ComPtr;
using registry_test::kThumbnailSlot;
using thumbnail_test::Thumbnail;

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path) {
    wchar_t text[512] = {};
    DWORD bytes = sizeof text;
    if (RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text);
}

// The type key of .ifc as the shell reads it: the programmatic identifier that
// the extension names, or the extension itself.
std::wstring TypeKey() {
    const std::optional<std::wstring> prog_id = ReadString(HKEY_CLASSES_ROOT, L".ifc");
    return prog_id && !prog_id->empty() ? *prog_id : L".ifc";
}

// The server registered for all users, as `regsvr32 /n /i` registers it
// (Wine's COM finds no per-user class), for the life of the object.
class MachineWideRegistration {
public:
    MachineWideRegistration() : result_(HandlerDll::Built().DllInstall(TRUE, L"")) {}
    ~MachineWideRegistration() { HandlerDll::Built().DllInstall(FALSE, L""); }
    MachineWideRegistration(const MachineWideRegistration&) = delete;
    MachineWideRegistration& operator=(const MachineWideRegistration&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// A model file of its own in the build tree, removed at the end.
class ModelFile {
public:
    explicit ModelFile(const std::vector<std::uint8_t>& content)
        : path_(std::wstring(TAMSEL_TEST_BIN_DIR) + L"\\tests\\handler_com\\thumbnail_" +
                std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++count_) + L".ifc") {
        for (wchar_t& c : path_) {
            if (c == L'/') c = L'\\';
        }
        const tamsel::UniqueFile file(
            CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr)) {
            ADD_FAILURE() << "cannot write " << testing::PrintToString(path_);
        }
    }
    ~ModelFile() { DeleteFileW(path_.c_str()); }
    ModelFile(const ModelFile&) = delete;
    ModelFile& operator=(const ModelFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    static inline int count_ = 0;
    std::wstring path_;
};

class ThumbnailThroughRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(HandlerDll::Built().DllInstall, nullptr);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override {
        CoFreeUnusedLibrariesEx(0, 0);
        CoUninitialize();
    }

    // What Explorer does for one file: slot, class, object, stream, thumbnail.
    static Thumbnail ThumbnailOfFile(const std::wstring& path, UINT cx) {
        Thumbnail thumbnail;
        const std::optional<std::wstring> class_text = ReadString(HKEY_CLASSES_ROOT, TypeKey() + kThumbnailSlot);
        CLSID clsid = {};
        if (!class_text || FAILED(CLSIDFromString(class_text->c_str(), &clsid))) {
            ADD_FAILURE() << "no thumbnail class in the .ifc type's slot";
            return thumbnail;
        }
        ComPtr<IInitializeWithStream> init;
        const HRESULT created =
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IInitializeWithStream, init.put_void());
        if (FAILED(created)) {
            ADD_FAILURE() << "CoCreateInstance: " << std::hex << created;
            return thumbnail;
        }
        ComPtr<IStream> stream;
        EXPECT_EQ(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL,
                                         FALSE, nullptr, stream.put()),
                  S_OK);
        EXPECT_EQ(init->Initialize(stream.get(), STGM_READ), S_OK);
        stream.reset();
        ComPtr<IThumbnailProvider> provider;
        EXPECT_EQ(init->QueryInterface(IID_PPV_ARGS(provider.put())), S_OK);
        if (provider) thumbnail = Thumbnail::Get(provider.get(), cx);
        return thumbnail;
    }
};

TEST_F(ThumbnailThroughRegistry, StoredPictureAtEverySizeExplorerAsksFor) {
    const MachineWideRegistration registration;
    ASSERT_EQ(registration.result(), S_OK);
    const struct {
        int width, height;
        UINT cx;
        int thumbnail_width, thumbnail_height;
    } cases[] = {
        {512, 384, 32, 32, 24},   {512, 384, 96, 96, 72},   {512, 384, 256, 256, 192}, {512, 384, 1024, 512, 384},
        {400, 200, 32, 32, 16},   {400, 200, 96, 96, 48},   {400, 200, 256, 256, 128}, {400, 200, 1024, 400, 200},
    };
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.width) + " x " + std::to_string(c.height) + " at " +
                                  std::to_string(c.cx);
        const std::vector<std::uint8_t> content = thumbnail_test::UniqueContent(label);
        const ModelFile file(content);
        const thumbnail_test::StoredFile stored(content, thumbnail_test::PatternPng(c.width, c.height));
        const Thumbnail thumbnail = ThumbnailOfFile(file.path(), c.cx);
        ASSERT_EQ(thumbnail.result, S_OK) << label;
        EXPECT_EQ(thumbnail.alpha, WTSAT_RGB) << label;
        EXPECT_EQ(thumbnail.width, c.thumbnail_width) << label;
        EXPECT_EQ(thumbnail.height, c.thumbnail_height) << label;
        thumbnail_test::ExpectPattern(thumbnail, label);  // upright, every block in place
    }
}

TEST_F(ThumbnailThroughRegistry, FileWithoutAStoredPictureKeepsItsIcon) {
    const MachineWideRegistration registration;
    ASSERT_EQ(registration.result(), S_OK);
    const ModelFile file(thumbnail_test::UniqueContent("no picture"));
    const Thumbnail thumbnail = ThumbnailOfFile(file.path(), 256);
    EXPECT_TRUE(FAILED(thumbnail.result));
    EXPECT_FALSE(thumbnail.bitmap);
    // The stream's file is closed again: the model can be deleted at once.
    EXPECT_TRUE(DeleteFileW(file.path().c_str()));
}

TEST_F(ThumbnailThroughRegistry, ServerIsFreeToUnloadOnceTheThumbnailsAreDone) {
    const MachineWideRegistration registration;
    ASSERT_EQ(registration.result(), S_OK);
    const std::vector<std::uint8_t> content = thumbnail_test::UniqueContent("unload");
    const ModelFile file(content);
    const thumbnail_test::StoredFile stored(content, thumbnail_test::PatternPng(64, 48));
    EXPECT_EQ(ThumbnailOfFile(file.path(), 96).result, S_OK);
    // COM loaded the DLL by its registered path, the one the fixture loaded: the same module.
    EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_OK);
}

}  // namespace
