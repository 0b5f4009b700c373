// Self-registration of the built DLL, called in-process and read back from the
// registry. Each test leaves the server unregistered and .ifc as it found it.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

#include <optional>
#include <string>
#include <vector>

#include "handler_dll.h"
#include "registry_snapshot.h"

namespace {

using namespace registry_test;

const std::wstring kClassKey = L"CLSID\\" + kHandlerId;
const std::wstring kAppIdKey = L"AppID\\" + kOwnAppId;
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002);     // a key or value is missing
constexpr HRESULT kPathTooLong = static_cast<HRESULT>(0x8007007A);  // a path does not fit its buffer

// The registry layout of a registered server whose .ifc type key is `type_key`.
Snapshot Layout(const std::wstring& module_path, const std::wstring& type_key) {
    return {
        {L"HKCR\\" + kClassKey + L"|", Sz(L"tamsel.TamselHandler Class")},
        {L"HKCR\\" + kClassKey + L"|AppID", Sz(kOwnAppId)},
        {L"HKCR\\" + kClassKey + L"\\InprocServer32|", Sz(module_path)},
        {L"HKCR\\" + kClassKey + L"\\InprocServer32|ThreadingModel", Sz(L"Apartment")},
        {L"HKCR\\" + kAppIdKey + L"|DllSurrogate", L"REG_EXPAND_SZ:%SystemRoot%\\system32\\prevhost.exe\\0"},
        {L"HKCR\\" + type_key + kPreviewSlot + L"|", Sz(kHandlerId)},
        {L"HKCU\\" + kHandlersKey + L"|" + kHandlerId, Sz(L"TamselHandler")},
    };
}

std::optional<RawValue> ReadIfcDefault() { return ReadDefault(HKEY_CLASSES_ROOT, L".ifc"); }

void SetIfcDefault(const std::optional<RawValue>& value) {
    ASSERT_TRUE(SetDefault(HKEY_CLASSES_ROOT, L".ifc", value));
}

// A copy of the built DLL whose full path is exactly `length` characters long,
// loaded under that path.
class DllCopy {
public:
    explicit DllCopy(size_t length) {
        const std::wstring bin = HandlerDll::BuiltPath().substr(0, HandlerDll::BuiltPath().rfind(L"\\shell_handler"));
        base_ = bin + L"\\long-module-path";
        folder_ = base_ + L"\\" + std::wstring(std::max<size_t>(10, 259 - base_.size() - 40), L'd');
        const size_t name_chars = length - folder_.size() - 1;
        path_ = folder_ + L"\\" + std::wstring(name_chars - 4, L'h') + L".dll";
        CreateDirectoryW(base_.c_str(), nullptr);
        CreateDirectoryW(folder_.c_str(), nullptr);
        if (CopyFileW(HandlerDll::BuiltPath().c_str(), path_.c_str(), FALSE)) dll_ = HandlerDll::Load(path_);
    }
    ~DllCopy() {
        if (dll_.module) FreeLibrary(dll_.module);
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(folder_.c_str());
        RemoveDirectoryW(base_.c_str());
    }
    const std::wstring& path() const { return path_; }
    const HandlerDll& dll() const { return dll_; }

private:
    std::wstring base_, folder_, path_;
    HandlerDll dll_;
};

class Registration : public ::testing::Test {
protected:
    const HandlerDll& dll = HandlerDll::Built();

    void SetUp() override {
        ASSERT_NE(dll.module, nullptr);
        ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey)) << "registered before the test";
        ifc_existed_ = KeyExists(HKEY_CLASSES_ROOT, L".ifc");
        ifc_default_ = ReadIfcDefault();
    }

    void TearDown() override {
        // Unregistration itself may be under test: clean up key by key.
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kAppIdKey.c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kHandlersKey.c_str(), kHandlerId.c_str());
        for (const std::wstring& progid : progids_) RegDeleteTreeW(HKEY_CLASSES_ROOT, progid.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L".ifc" + kPreviewSlot).c_str());
        if (!ifc_existed_) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, L".ifc");
        } else if (ifc_default_) {
            SetIfcDefault(ifc_default_);
        } else {
            RegDeleteKeyValueW(HKEY_CLASSES_ROOT, L".ifc", nullptr);
        }
    }

    // Binds .ifc to `progid`; the progid's key is removed after the test.
    void BindIfcTo(const std::wstring& progid) {
        progids_.push_back(progid);
        SetIfcDefault(Text(progid));
    }
    void RemoveAfterTest(const std::wstring& progid) { progids_.push_back(progid); }

private:
    bool ifc_existed_ = false;
    std::optional<RawValue> ifc_default_;
    std::vector<std::wstring> progids_;
};

TEST_F(Registration, WritesExactlyTheLayoutAndRemovesIt) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".ifc");  // unbound: the slot goes under .ifc itself
    const Snapshot before = TakeSnapshot();
    ASSERT_EQ(dll.DllRegisterServer(), S_OK);
    const Snapshot registered = TakeSnapshot();
    EXPECT_EQ(Changes(before, registered), Additions(before, Layout(HandlerDll::BuiltPath(), L".ifc")));

    EXPECT_EQ(dll.DllRegisterServer(), S_OK) << "registering again";
    EXPECT_EQ(Changes(registered, TakeSnapshot()), Snapshot{});

    ASSERT_EQ(dll.DllUnregisterServer(), S_OK);
    const Snapshot unregistered = TakeSnapshot();
    // Only the parents of the removed handler slot and list value may stay, empty.
    Snapshot parents;
    for (const std::wstring& key : {kClassesRoot + L"\\.ifc", kClassesRoot + L"\\.ifc\\shellex", kHandlersRoot}) {
        if (!before.count(key)) parents[key] = kKeyMark;
    }
    EXPECT_EQ(Changes(before, unregistered), parents);

    EXPECT_EQ(dll.DllUnregisterServer(), kNotFound) << "unregistering again";
    EXPECT_EQ(Changes(unregistered, TakeSnapshot()), Snapshot{});
}

TEST_F(Registration, HandlerSlotFollowsTheExtensionsBinding) {
    const std::wstring progid = L"Tamsel.TestIfcFile";
    const std::wstring longest(212, L'p');  // the slot's path then fills 259 characters
    const struct {
        const char* name;
        std::optional<RawValue> ifc_default;  // none: the key without a default value
        std::wstring type_key;
    } cases[] = {
        {"no default value", std::nullopt, L".ifc"},
        {"empty default value", Text(L""), L".ifc"},
        {"bound to a progid", Text(progid), progid},
        {"progid stored without terminator", Text(progid, false), progid},
        {"progid of 212 characters", Text(longest), longest},
        {"260 characters, no room for a terminator", Text(std::wstring(260, L'q'), false), L".ifc"},
        {"value larger than the buffer", Text(std::wstring(300, L'r')), L".ifc"},
        {"a progid's bytes stored as binary", NotText(REG_BINARY, progid), L".ifc"},
        {"a number", NotText(REG_DWORD, L"A"), L".ifc"},  // 4 bytes: L"A" and its terminator
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".ifc");
        SetIfcDefault(c.ifc_default);
        if (c.type_key != L".ifc") RemoveAfterTest(c.type_key);

        ASSERT_EQ(dll.DllRegisterServer(), S_OK);
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, c.type_key + kPreviewSlot, nullptr), Sz(kHandlerId));
        if (c.type_key != L".ifc") {
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".ifc\\shellex"));
        }
        EXPECT_EQ(dll.DllUnregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.type_key + kPreviewSlot));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kHandlersKey, kHandlerId.c_str()), std::nullopt);
    }
}

TEST_F(Registration, OverlongTypeKeyFailsAfterTheClassEntries) {
    const std::wstring progid(213, L'x');
    BindIfcTo(progid);
    EXPECT_EQ(dll.DllRegisterServer(), kPathTooLong);
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kClassKey, nullptr), Sz(L"tamsel.TamselHandler Class"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", nullptr), Sz(HandlerDll::BuiltPath()));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, progid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".ifc" + kPreviewSlot));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kHandlersKey, kHandlerId.c_str()), std::nullopt);

    // Unregistration removes the class entries, then stops at the same path.
    EXPECT_EQ(dll.DllUnregisterServer(), kPathTooLong);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
}

TEST_F(Registration, UnregisterAfterTheBindingChanged) {
    BindIfcTo(L"Tamsel.Before");
    ASSERT_EQ(dll.DllRegisterServer(), S_OK);
    BindIfcTo(L"Tamsel.After");
    EXPECT_EQ(dll.DllUnregisterServer(), kNotFound);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, L"Tamsel.Before" + kPreviewSlot, nullptr), Sz(kHandlerId));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kHandlersKey, kHandlerId.c_str()), Sz(L"TamselHandler"));
}

TEST_F(Registration, MissingHandlerListEntryIsNoFailure) {
    for (const bool whole_key : {false, true}) {
        SCOPED_TRACE(whole_key ? "list key removed" : "list value removed");
        ASSERT_EQ(dll.DllRegisterServer(), S_OK);
        if (whole_key) {
            ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kHandlersKey.c_str()), ERROR_SUCCESS);
        } else {
            ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, kHandlersKey.c_str(), kHandlerId.c_str()),
                      ERROR_SUCCESS);
        }
        EXPECT_EQ(dll.DllUnregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".ifc" + kPreviewSlot));
    }
}

TEST_F(Registration, ModulePathIsRegisteredWholeOrNotAtAll) {
    const struct {
        size_t length;
        HRESULT expected;
    } cases[] = {{259, S_OK}, {260, kPathTooLong}, {300, kPathTooLong}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        DllCopy copy(c.length);
        ASSERT_EQ(copy.path().size(), c.length);
        ASSERT_NE(copy.dll().module, nullptr) << "cannot load the copy";
        const Snapshot before = TakeSnapshot();
        EXPECT_EQ(copy.dll().DllRegisterServer(), c.expected);
        if (FAILED(c.expected)) {
            EXPECT_EQ(Changes(before, TakeSnapshot()), Snapshot{}) << "a cut path was written";
            continue;
        }
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", nullptr), Sz(copy.path()));
        EXPECT_EQ(copy.dll().DllUnregisterServer(), S_OK);
    }
}

TEST_F(Registration, RegisteredClassIsCreatableThroughCom) {
    ASSERT_EQ(dll.DllRegisterServer(), S_OK);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        tamsel::ComPtr<IPreviewHandler> handler;
        EXPECT_EQ(CoCreateInstance(kHandlerClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IPreviewHandler,
                                   handler.put_void()),
                  S_OK);
        EXPECT_TRUE(handler);
    }
    CoUninitialize();
    EXPECT_EQ(dll.DllUnregisterServer(), S_OK);
}

}  // namespace
