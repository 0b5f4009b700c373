// Self-registration of the built DLL, called in-process and read back from the
// registry. Each test leaves the server unregistered and .ifc as it found it.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "handler_dll.h"

namespace {

using tamsel::UniqueRegKey;

const std::wstring kClassIdText = L"{3C994A91-448B-42B9-814C-B427301F3DAA}";
const std::wstring kAppIdText = L"{95AA36D5-5FB7-4E94-BE55-67FD81DDAB6D}";
const std::wstring kClassKey = L"CLSID\\" + kClassIdText;
const std::wstring kAppIdKey = L"AppID\\" + kAppIdText;
const std::wstring kSlot = L"\\shellex\\{8895b1c6-b41f-4c1c-a562-0d564250836f}";
const std::wstring kHandlersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002);     // a key or value is missing
constexpr HRESULT kPathTooLong = static_cast<HRESULT>(0x8007007A);  // a path does not fit its buffer

// --- Reading the registry back -------------------------------------------------

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A value as "TYPE:text", the stored bytes shown whole (a terminator as "\0").
std::wstring DescribeValue(DWORD type, const std::vector<BYTE>& data) {
    std::wstring text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
            text += c ? std::wstring(1, c) : std::wstring(L"\\0");
        }
        return (type == REG_SZ ? L"REG_SZ:" : L"REG_EXPAND_SZ:") + text;
    }
    wchar_t hex[4];
    for (BYTE b : data) {
        swprintf(hex, 4, L"%02x", b);
        text += hex;
    }
    return L"type" + std::to_wstring(type) + L":" + text;
}

std::optional<std::wstring> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(bytes);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) return std::nullopt;
    data.resize(bytes);
    return DescribeValue(type, data);
}

std::wstring Sz(const std::wstring& text) { return L"REG_SZ:" + text + L"\\0"; }

// Every key ("path") and value ("path|name") below a root, as text.
using Snapshot = std::map<std::wstring, std::wstring>;
const wchar_t kKeyMark[] = L"(key)";

void Walk(HKEY key, const std::wstring& path, Snapshot& out) {
    out[path] = kKeyMark;
    DWORD subkeys = 0, max_subkey = 0, values = 0, max_name = 0, max_data = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &max_subkey, nullptr, &values, &max_name,
                         &max_data, nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    std::vector<wchar_t> name(std::max(max_name, max_subkey) + 2);
    std::vector<BYTE> data(max_data + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD name_chars = static_cast<DWORD>(name.size());
        DWORD bytes = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, i, name.data(), &name_chars, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) {
            continue;
        }
        out[path + L"|" + std::wstring(name.data(), name_chars)] =
            DescribeValue(type, std::vector<BYTE>(data.begin(), data.begin() + bytes));
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD name_chars = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &name_chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        const std::wstring sub(name.data(), name_chars);
        UniqueRegKey child;
        if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, child.put()) == ERROR_SUCCESS) {
            Walk(child.get(), path + L"\\" + sub, out);
        }
    }
}

const std::wstring kClassesRoot = L"HKCR";
const std::wstring kHandlersRoot = L"HKCU\\" + kHandlersKey;

// All of HKCR, and the per-user key where preview handlers are listed. The
// 32-bit view (Wow6432Node) is left out: Wine mirrors shared keys such as
// AppID into it by itself.
Snapshot TakeSnapshot() {
    Snapshot snapshot;
    Walk(HKEY_CLASSES_ROOT, kClassesRoot, snapshot);
    for (auto it = snapshot.lower_bound(kClassesRoot + L"\\Wow6432Node");
         it != snapshot.end() && it->first.rfind(kClassesRoot + L"\\Wow6432Node", 0) == 0;) {
        it = snapshot.erase(it);
    }
    UniqueRegKey handlers;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHandlersKey.c_str(), 0, KEY_READ, handlers.put()) == ERROR_SUCCESS) {
        Walk(handlers.get(), kHandlersRoot, snapshot);
    }
    return snapshot;
}

// What `after` holds that `before` did not, or holds otherwise; "(gone)" for removals.
Snapshot Changes(const Snapshot& before, const Snapshot& after) {
    Snapshot changes;
    for (const auto& [path, value] : after) {
        const auto old = before.find(path);
        if (old == before.end() || old->second != value) changes[path] = value;
    }
    for (const auto& [path, value] : before) {
        if (!after.count(path)) changes[path] = L"(gone)";
    }
    return changes;
}

// `values` ("path|name" -> value) plus each key on their paths that `before` lacks.
Snapshot Additions(const Snapshot& before, const Snapshot& values) {
    Snapshot additions = values;
    for (const auto& entry : values) {
        std::wstring key = entry.first.substr(0, entry.first.find(L'|'));
        while (!before.count(key)) {
            additions[key] = kKeyMark;
            if (key == kHandlersRoot || key == kClassesRoot) break;
            key.erase(key.rfind(L'\\'));
        }
    }
    return additions;
}

// The registry layout of a registered server whose .ifc type key is `type_key`.
Snapshot Layout(const std::wstring& module_path, const std::wstring& type_key) {
    return {
        {L"HKCR\\" + kClassKey + L"|", Sz(L"tamsel.TamselHandler Class")},
        {L"HKCR\\" + kClassKey + L"|AppID", Sz(kAppIdText)},
        {L"HKCR\\" + kClassKey + L"\\InprocServer32|", Sz(module_path)},
        {L"HKCR\\" + kClassKey + L"\\InprocServer32|ThreadingModel", Sz(L"Apartment")},
        {L"HKCR\\" + kAppIdKey + L"|DllSurrogate", L"REG_EXPAND_SZ:%SystemRoot%\\system32\\prevhost.exe\\0"},
        {L"HKCR\\" + type_key + kSlot + L"|", Sz(kClassIdText)},
        {L"HKCU\\" + kHandlersKey + L"|" + kClassIdText, Sz(L"TamselHandler")},
    };
}

// --- Binding .ifc -----------------------------------------------------------------

// The default value of HKCR\.ifc as stored: type and bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

std::optional<RawValue> ReadIfcDefault() {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".ifc", 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    RawValue value;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &value.type, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(bytes);
    RegQueryValueExW(key.get(), nullptr, nullptr, &value.type, value.bytes.data(), &bytes);
    return value;
}

// Creates HKCR\.ifc and, given a value, sets its default value to exactly those bytes.
void SetIfcDefault(const std::optional<RawValue>& value) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L".ifc", 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    if (!value) return;
    ASSERT_EQ(RegSetValueExW(key.get(), nullptr, 0, value->type, value->bytes.data(),
                             static_cast<DWORD>(value->bytes.size())),
              ERROR_SUCCESS);
}

RawValue Text(const std::wstring& text, bool with_terminator = true) {
    const auto* first = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(first, first + (text.size() + (with_terminator ? 1 : 0)) * sizeof(wchar_t))};
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
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kHandlersKey.c_str(), kClassIdText.c_str());
        for (const std::wstring& progid : progids_) RegDeleteTreeW(HKEY_CLASSES_ROOT, progid.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L".ifc" + kSlot).c_str());
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".ifc");
        SetIfcDefault(c.ifc_default);
        if (c.type_key != L".ifc") RemoveAfterTest(c.type_key);

        ASSERT_EQ(dll.DllRegisterServer(), S_OK);
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, c.type_key + kSlot, nullptr), Sz(kClassIdText));
        if (c.type_key != L".ifc") {
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".ifc\\shellex"));
        }
        EXPECT_EQ(dll.DllUnregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.type_key + kSlot));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kHandlersKey, kClassIdText.c_str()), std::nullopt);
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
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".ifc" + kSlot));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kHandlersKey, kClassIdText.c_str()), std::nullopt);

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
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, L"Tamsel.Before" + kSlot, nullptr), Sz(kClassIdText));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kHandlersKey, kClassIdText.c_str()), Sz(L"TamselHandler"));
}

TEST_F(Registration, MissingHandlerListEntryIsNoFailure) {
    for (const bool whole_key : {false, true}) {
        SCOPED_TRACE(whole_key ? "list key removed" : "list value removed");
        ASSERT_EQ(dll.DllRegisterServer(), S_OK);
        if (whole_key) {
            ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kHandlersKey.c_str()), ERROR_SUCCESS);
        } else {
            ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, kHandlersKey.c_str(), kClassIdText.c_str()),
                      ERROR_SUCCESS);
        }
        EXPECT_EQ(dll.DllUnregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".ifc" + kSlot));
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
