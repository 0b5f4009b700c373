// DllInstall of the built DLL, for all users and for one user, read back from
// the registry itself. Each test leaves the classes unregistered and both
// .ifc keys as it found them.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "handler_dll.h"
#include "registry_snapshot.h"

namespace {

using namespace registry_test;

const std::wstring kOtherClass = L"{0B5E4E6A-1D2C-4E83-9A57-6F1C2D3E4F50}";
const std::wstring kClassesKey = L"Software\\Classes";  // below HKLM and HKCU

// One registration mode as the tests see it: its command line and where its
// entries go (the root of its classes key and the snapshot label).
struct Mode {
    const char* name;
    const wchar_t* command_line;
    HKEY classes_root;  // with kClassesKey below it
    std::wstring classes_label;
    std::wstring list_label;
    std::wstring app_id;  // what the handler class names
    bool own_app_id_key;
};

const Mode kAllUsers{"all users", L"", HKEY_LOCAL_MACHINE, kClassesRoot, kMachineHandlersRoot, kOwnAppId, true};
const Mode kOneUser{"one user", L"user", HKEY_CURRENT_USER, kUserClassesRoot, kHandlersRoot, kWindowsPreviewHost,
                    false};
const Mode kModes[] = {kAllUsers, kOneUser};

std::wstring BelowClasses(const std::wstring& key) { return kClassesKey + L"\\" + key; }

// Everything a mode writes when .ifc names `type_key` there.
Snapshot Layout(const Mode& mode, const std::wstring& type_key) {
    const std::wstring classes = mode.classes_label + L"\\";
    const std::wstring handler = classes + L"CLSID\\" + kHandlerId;
    const std::wstring thumbnail = classes + L"CLSID\\" + kThumbnailId;
    Snapshot layout = {
        {handler + L"|", Sz(L"tamsel.TamselHandler Class")},
        {handler + L"|AppID", Sz(mode.app_id)},
        {handler + L"\\InprocServer32|", Sz(HandlerDll::BuiltPath())},
        {handler + L"\\InprocServer32|ThreadingModel", Sz(L"Apartment")},
        {thumbnail + L"|", Sz(L"tamsel.TamselThumbnailProvider Class")},
        {thumbnail + L"\\InprocServer32|", Sz(HandlerDll::BuiltPath())},
        {thumbnail + L"\\InprocServer32|ThreadingModel", Sz(L"Apartment")},
        {classes + type_key + kPreviewSlot + L"|", Sz(kHandlerId)},
        {classes + type_key + kThumbnailSlot + L"|", Sz(kThumbnailId)},
        {mode.list_label + L"|" + kHandlerId, Sz(L"TamselHandler")},
    };
    if (mode.own_app_id_key) {
        layout[classes + L"AppID\\" + kOwnAppId + L"|DllSurrogate"] =
            L"REG_EXPAND_SZ:%SystemRoot%\\system32\\prevhost.exe\\0";
    }
    return layout;
}

// Keys that other classes share and an uninstall leaves, empty or not.
std::vector<std::wstring> SharedKeys(const Mode& mode) {
    return {mode.classes_label, mode.classes_label + L"\\CLSID", mode.list_label};
}

// The state of one .ifc key, to put back after a test.
struct SavedKey {
    HKEY root;
    std::wstring path;
    bool existed;
    std::optional<RawValue> default_value;
};

class Install : public ::testing::Test {
protected:
    const HandlerDll& dll = HandlerDll::Built();

    void SetUp() override {
        ASSERT_NE(dll.DllInstall, nullptr);
        for (const Mode& mode : kModes) {
            ASSERT_FALSE(KeyExists(mode.classes_root, BelowClasses(L"CLSID\\" + kHandlerId))) << "registered before";
            const std::wstring ifc = BelowClasses(L".ifc");
            saved_.push_back({mode.classes_root, ifc, KeyExists(mode.classes_root, ifc),
                              ReadDefault(mode.classes_root, ifc)});
        }
    }

    void TearDown() override {
        for (const Mode& mode : kModes) {
            for (const std::wstring& key : {L"CLSID\\" + kHandlerId, L"CLSID\\" + kThumbnailId,
                                            L"AppID\\" + kOwnAppId, L".ifc" + kPreviewSlot, L".ifc" + kThumbnailSlot}) {
                RegDeleteTreeW(mode.classes_root, BelowClasses(key).c_str());
            }
            for (const std::wstring& progid : progids_) RegDeleteTreeW(mode.classes_root, BelowClasses(progid).c_str());
        }
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kHandlersKey.c_str(), kHandlerId.c_str());
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kHandlersKey.c_str(), kHandlerId.c_str());
        for (const SavedKey& key : saved_) {
            if (!key.existed) {
                RegDeleteTreeW(key.root, key.path.c_str());
            } else if (key.default_value) {
                SetDefault(key.root, key.path, key.default_value);
            } else {
                RegDeleteKeyValueW(key.root, key.path.c_str(), nullptr);
            }
        }
    }

    // Both .ifc keys gone: the file type is bound nowhere.
    static void Unbind() {
        for (const Mode& mode : kModes) RegDeleteTreeW(mode.classes_root, BelowClasses(L".ifc").c_str());
    }

    // `progid` is removed from both classes keys after the test.
    void RemoveAfterTest(const std::wstring& progid) { progids_.push_back(progid); }

private:
    std::vector<SavedKey> saved_;
    std::vector<std::wstring> progids_;
};

TEST_F(Install, EachModeWritesExactlyItsLayoutAndRemovesIt) {
    const struct {
        const Mode& mode;
        const wchar_t* uninstall_command_line;
    } cases[] = {{kAllUsers, L""}, {kOneUser, L"User"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode.name);
        Unbind();
        const Snapshot before = TakeSnapshot();
        ASSERT_EQ(dll.DllInstall(TRUE, c.mode.command_line), S_OK);
        const Snapshot installed = TakeSnapshot();
        EXPECT_EQ(Changes(before, installed), Additions(before, Layout(c.mode, L".ifc")));

        EXPECT_EQ(dll.DllInstall(TRUE, c.mode.command_line), S_OK) << "installing again";
        EXPECT_EQ(Changes(installed, TakeSnapshot()), Snapshot{});

        ASSERT_EQ(dll.DllInstall(FALSE, c.uninstall_command_line), S_OK);
        const Snapshot uninstalled = TakeSnapshot();
        // .ifc and its shellex key were made by the install and go with it.
        EXPECT_EQ(Changes(before, uninstalled), NewKeys(before, SharedKeys(c.mode)));

        EXPECT_EQ(dll.DllInstall(FALSE, c.uninstall_command_line), S_OK) << "uninstalling again";
        EXPECT_EQ(Changes(uninstalled, TakeSnapshot()), Snapshot{});
    }
}

TEST_F(Install, SlotsFollowTheBindingThatTheModeSees) {
    const std::wstring machine_progid = L"Tamsel.MachineIfc";
    const std::wstring user_progid = L"Tamsel.UserIfc";
    RemoveAfterTest(machine_progid);
    RemoveAfterTest(user_progid);
    const std::optional<RawValue> unbound;  // no .ifc key
    const struct {
        const char* name;
        const Mode& mode;
        std::optional<RawValue> machine_ifc, user_ifc;
        std::wstring type_key;
    } cases[] = {
        {"machine binding", kAllUsers, Text(machine_progid), unbound, machine_progid},
        {"a user's binding is not the machine's", kAllUsers, unbound, Text(user_progid), L".ifc"},
        {"binary machine value", kAllUsers, NotText(REG_BINARY, machine_progid), unbound, L".ifc"},
        {"numeric machine value", kAllUsers, NotText(REG_DWORD, L"A"), unbound, L".ifc"},
        {"the user sees the machine binding", kOneUser, Text(machine_progid), unbound, machine_progid},
        {"the user's own binding wins", kOneUser, Text(machine_progid), Text(user_progid), user_progid},
        {"an empty user value leaves the machine's", kOneUser, Text(machine_progid), Text(L""), machine_progid},
        {"binary user value", kOneUser, unbound, NotText(REG_BINARY, user_progid), L".ifc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Unbind();
        for (const auto& [mode, value] : {std::pair{&kAllUsers, c.machine_ifc}, std::pair{&kOneUser, c.user_ifc}}) {
            if (value) {
                ASSERT_TRUE(SetDefault(mode->classes_root, BelowClasses(L".ifc"), value));
            }
        }
        // The whole registry is compared in the test above; here the keys
        // that a misplaced slot or a leftover would show in.
        const auto snapshot = [&] {
            return TakeSnapshotOf({L".ifc", machine_progid, user_progid, L"CLSID\\" + kHandlerId,
                                   L"CLSID\\" + kThumbnailId, L"AppID\\" + kOwnAppId});
        };
        const Snapshot before = snapshot();

        ASSERT_EQ(dll.DllInstall(TRUE, c.mode.command_line), S_OK);
        EXPECT_EQ(Changes(before, snapshot()), Additions(before, Layout(c.mode, c.type_key)));
        // A progid key that the install made goes with the uninstall; the
        // .ifc keys keep the values they had.
        ASSERT_EQ(dll.DllInstall(FALSE, c.mode.command_line), S_OK);
        EXPECT_EQ(Changes(before, snapshot()), NewKeys(before, SharedKeys(c.mode)));
    }
}

TEST_F(Install, UninstallLeavesSlotsThatNameAnotherClass) {
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        Unbind();
        ASSERT_EQ(dll.DllInstall(TRUE, mode.command_line), S_OK);
        // Another program took the preview slot since; the thumbnail slot is still ours.
        ASSERT_TRUE(SetDefault(mode.classes_root, BelowClasses(L".ifc" + kPreviewSlot), Text(kOtherClass)));

        ASSERT_EQ(dll.DllInstall(FALSE, mode.command_line), S_OK);
        EXPECT_EQ(ReadValue(mode.classes_root, BelowClasses(L".ifc" + kPreviewSlot), nullptr), Sz(kOtherClass));
        EXPECT_FALSE(KeyExists(mode.classes_root, BelowClasses(L".ifc" + kThumbnailSlot)));
        EXPECT_FALSE(KeyExists(mode.classes_root, BelowClasses(L"CLSID\\" + kHandlerId)));
        EXPECT_FALSE(KeyExists(mode.classes_root, BelowClasses(L"CLSID\\" + kThumbnailId)));
        EXPECT_EQ(dll.DllInstall(FALSE, mode.command_line), S_OK) << "uninstalling again";
        EXPECT_EQ(ReadValue(mode.classes_root, BelowClasses(L".ifc" + kPreviewSlot), nullptr), Sz(kOtherClass));
    }
}

// Installed while .ifc was unbound, then another program bound it to a
// programmatic identifier of its own: the uninstall still finds the slots.
TEST_F(Install, UninstallRemovesSlotsWrittenBeforeTheTypeWasBound) {
    const std::wstring progid = L"Tamsel.LaterIfc";
    RemoveAfterTest(progid);
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        Unbind();
        ASSERT_EQ(dll.DllInstall(TRUE, mode.command_line), S_OK);
        ASSERT_TRUE(SetDefault(mode.classes_root, BelowClasses(L".ifc"), Text(progid)));

        ASSERT_EQ(dll.DllInstall(FALSE, mode.command_line), S_OK);
        EXPECT_FALSE(KeyExists(mode.classes_root, BelowClasses(L".ifc\\shellex")));
        EXPECT_FALSE(KeyExists(mode.classes_root, BelowClasses(L"CLSID\\" + kHandlerId)));
        EXPECT_FALSE(KeyExists(mode.classes_root, BelowClasses(L"CLSID\\" + kThumbnailId)));
        EXPECT_EQ(ReadValue(mode.classes_root, BelowClasses(L".ifc"), nullptr), Sz(progid)) << "the binding stays";
    }
}

TEST_F(Install, OtherCommandLinesWriteNothing) {
    const Snapshot before = TakeSnapshot();
    for (const wchar_t* command_line : {L"users", L" user", L"user ", L"machine", L"/n"}) {
        for (const BOOL install : {TRUE, FALSE}) {
            SCOPED_TRACE(testing::Message() << (install ? "install " : "uninstall ") << '"'
                                            << std::string(command_line, command_line + wcslen(command_line)) << '"');
            EXPECT_EQ(dll.DllInstall(install, command_line), E_INVALIDARG);
        }
    }
    EXPECT_EQ(Changes(before, TakeSnapshot()), Snapshot{});
}

}  // namespace
