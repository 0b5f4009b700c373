// The rows that each registration mode writes, for every combination of the
// system's and the module's bitness; 32-bit code cannot run here, so its
// layouts are checked through the plain function that chooses them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "registration_layout.h"
#include "registry_names.h"

namespace {

using tamsel::Bitness;
using tamsel::ChooseRegistryLayout;
using tamsel::RegistrationMode;
using tamsel::RegistryLayout;
using namespace registry_test;

std::wstring RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return L"HKCR";
    if (root == HKEY_LOCAL_MACHINE) return L"HKLM";
    if (root == HKEY_CURRENT_USER) return L"HKCU";
    return L"?";
}

const wchar_t* RemovalName(tamsel::Removal removal) {
    switch (removal) {
        case tamsel::Removal::kTree: return L"tree";
        case tamsel::Removal::kWithTree: return L"with tree";
        case tamsel::Removal::kValue: return L"value";
        case tamsel::Removal::kSlot: return L"slot";
    }
    return L"?";
}

// One line per row: where, which value, what, and how it is removed.
std::vector<std::wstring> Lines(const RegistryLayout& layout) {
    std::vector<std::wstring> lines;
    for (const auto& row : layout.rows) {
        const bool classes = row.place == tamsel::RegistryPlace::kClasses;
        std::wstring where = classes ? RootName(layout.classes.root) : RootName(layout.handler_list_root);
        if (classes && *layout.classes.key) where += L"\\" + std::wstring(layout.classes.key);
        lines.push_back(where + L"\\" + row.key + L" | " + row.value_name + L" | " +
                        (row.type == REG_SZ ? L"SZ" : row.type == REG_EXPAND_SZ ? L"EXPAND_SZ" : L"?") + L" | " +
                        row.data + L" | " + RemovalName(row.removal));
    }
    return lines;
}

const std::wstring kPath = L"C:\\Program Files\\Tamsel\\tamsel_handler.dll";
const std::wstring kProgId = L"Tamsel.Ifc";

// The layout of a mode, written out row by row, for a handler class that
// names `host` and an AppID key of our own or none.
std::vector<std::wstring> ExpectedLayout(RegistrationMode mode, const std::wstring& host, bool own_app_id_key) {
    const bool self_registration = mode == RegistrationMode::kSelfRegistration;
    const std::wstring root = self_registration                          ? L"HKCR"
                              : mode == RegistrationMode::kCurrentUser ? L"HKCU"
                                                                       : L"HKLM";
    const std::wstring c = self_registration ? L"HKCR\\" : root + L"\\Software\\Classes\\";
    std::vector<std::wstring> lines = {
        c + L"CLSID\\" + kHandlerId + L" |  | SZ | tamsel.TamselHandler Class | tree",
        c + L"CLSID\\" + kHandlerId + L" | AppID | SZ | " + host + L" | with tree",
        c + L"CLSID\\" + kHandlerId + L"\\InprocServer32 |  | SZ | " + kPath + L" | with tree",
        c + L"CLSID\\" + kHandlerId + L"\\InprocServer32 | ThreadingModel | SZ | Apartment | with tree",
    };
    if (own_app_id_key) {
        lines.push_back(c + L"AppID\\" + kOwnAppId + L" | DllSurrogate | EXPAND_SZ | %SystemRoot%\\system32\\prevhost.exe | tree");
    }
    if (!self_registration) {
        lines.insert(lines.end(), {
            c + L"CLSID\\" + kThumbnailId + L" |  | SZ | tamsel.TamselThumbnailProvider Class | tree",
            c + L"CLSID\\" + kThumbnailId + L"\\InprocServer32 |  | SZ | " + kPath + L" | with tree",
            c + L"CLSID\\" + kThumbnailId + L"\\InprocServer32 | ThreadingModel | SZ | Apartment | with tree",
        });
    }
    lines.push_back(c + kProgId + kPreviewSlot + L" |  | SZ | " + kHandlerId + L" | slot");
    if (!self_registration) lines.push_back(c + kProgId + kThumbnailSlot + L" |  | SZ | " + kThumbnailId + L" | slot");
    // DllRegisterServer writes the handler list per user, as it always has.
    lines.push_back((self_registration ? L"HKCU" : root) + L"\\" + kHandlersKey + L" | " + kHandlerId +
                    L" | SZ | TamselHandler | value");
    return lines;
}

// A 64-bit module on 64-bit Windows, and a 32-bit one on 32-bit Windows: the
// preview host of our own AppID, or Windows' own for one user.
std::vector<std::wstring> NativeLayout(RegistrationMode mode) {
    const bool per_user = mode == RegistrationMode::kCurrentUser;
    return ExpectedLayout(mode, per_user ? kWindowsPreviewHost : kOwnAppId, !per_user);
}

// A 32-bit module on 64-bit Windows: the 32-bit preview host, and no AppID key of our own.
std::vector<std::wstring> Wow64Layout(RegistrationMode mode) { return ExpectedLayout(mode, kWow64PreviewHost, false); }

TEST(RegistrationLayout, EveryModeOnEverySystem) {
    const struct {
        const char* name;
        RegistrationMode mode;
    } modes[] = {{"DllRegisterServer", RegistrationMode::kSelfRegistration},
                 {"all users", RegistrationMode::kAllUsers},
                 {"one user", RegistrationMode::kCurrentUser}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(Lines(ChooseRegistryLayout(m.mode, Bitness::k64, Bitness::k64, kPath, kProgId)),
                  NativeLayout(m.mode))
            << "64-bit module on 64-bit Windows";
        EXPECT_EQ(Lines(ChooseRegistryLayout(m.mode, Bitness::k32, Bitness::k32, kPath, kProgId)),
                  NativeLayout(m.mode))
            << "32-bit module on 32-bit Windows";
        EXPECT_EQ(Lines(ChooseRegistryLayout(m.mode, Bitness::k64, Bitness::k32, kPath, kProgId)),
                  Wow64Layout(m.mode))
            << "32-bit module on 64-bit Windows";
    }
}

TEST(RegistrationLayout, OnlyDllRegisterServerRemovesStrictly) {
    using tamsel::RemovalStyle;
    EXPECT_EQ(ChooseRegistryLayout(RegistrationMode::kSelfRegistration, Bitness::k64, Bitness::k64, kPath, kProgId)
                  .removal_style,
              RemovalStyle::kStrict);
    for (const RegistrationMode mode : {RegistrationMode::kAllUsers, RegistrationMode::kCurrentUser}) {
        EXPECT_EQ(ChooseRegistryLayout(mode, Bitness::k64, Bitness::k64, kPath, kProgId).removal_style,
                  RemovalStyle::kTolerant);
    }
}

TEST(RegistrationLayout, TypeKeyIsLookedUpWhereTheModeWrites) {
    const auto lookup = [](RegistrationMode mode) {
        std::vector<std::wstring> keys;
        for (const auto& key : tamsel::TypeKeyLookup(mode)) keys.push_back(RootName(key.root) + L"|" + key.key);
        return keys;
    };
    EXPECT_EQ(lookup(RegistrationMode::kSelfRegistration), std::vector<std::wstring>{L"HKCR|"});
    EXPECT_EQ(lookup(RegistrationMode::kAllUsers), std::vector<std::wstring>{L"HKLM|Software\\Classes"});
    EXPECT_EQ(lookup(RegistrationMode::kCurrentUser),
              (std::vector<std::wstring>{L"HKCU|Software\\Classes", L"HKLM|Software\\Classes"}));
}

TEST(RegistrationLayout, InstallCommandLines) {
    const struct {
        const wchar_t* command_line;
        bool valid;
        RegistrationMode mode;
    } cases[] = {
        {nullptr, true, RegistrationMode::kAllUsers},   {L"", true, RegistrationMode::kAllUsers},
        {L"user", true, RegistrationMode::kCurrentUser}, {L"USER", true, RegistrationMode::kCurrentUser},
        {L"uSeR", true, RegistrationMode::kCurrentUser}, {L"users", false, {}},
        {L" user", false, {}},                           {L"user ", false, {}},
        {L"use", false, {}},                             {L" ", false, {}},
        {L"machine", false, {}},                         {L"/n", false, {}},
    };
    for (const auto& c : cases) {
        const std::wstring text = c.command_line ? c.command_line : L"(null)";
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        RegistrationMode mode = RegistrationMode::kSelfRegistration;
        EXPECT_EQ(tamsel::ParseInstallCommandLine(c.command_line, mode), c.valid);
        if (c.valid) {
            EXPECT_EQ(mode, c.mode);
        }
    }
}

}  // namespace
