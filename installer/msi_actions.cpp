// Custom actions of the Tamsel installer, called by Windows Installer by name.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>

#include <string>

#include "plugin_folder_rules.h"
#include "team_store_rules.h"
#include "win32_raii.h"

namespace {

struct MsiHandleTraits {
    static MSIHANDLE Invalid() { return 0; }
    static bool IsValid(MSIHANDLE h) { return h != 0; }
    static void Close(MSIHANDLE h) { MsiCloseHandle(h); }
};
using UniqueMsiHandle = tamsel::UniqueResource<MSIHANDLE, MsiHandleTraits>;

constexpr wchar_t kPluginFolderProperty[] = L"PLUGINDIR";
constexpr wchar_t kCreatedFolderProperty[] = L"PluginFolderCreated";
constexpr wchar_t kTeamStoreProperty[] = L"TEAMSTORE";

std::wstring GetProperty(MSIHANDLE install, const wchar_t* name) {
    DWORD chars = 0;
    wchar_t empty[1] = L"";
    if (MsiGetPropertyW(install, name, empty, &chars) != ERROR_MORE_DATA) return {};
    std::wstring value(chars + 1, L'\0');
    chars = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(install, name, &value[0], &chars) != ERROR_SUCCESS) return {};
    value.resize(chars);
    return value;
}

tamsel::PathKind KindOf(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return tamsel::PathKind::Missing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? tamsel::PathKind::Folder : tamsel::PathKind::File;
}

// Shown by a full interface, written to the log by a silent one.
void ReportError(MSIHANDLE install, const std::wstring& text) {
    UniqueMsiHandle record(MsiCreateRecord(1));
    if (!record) return;
    MsiRecordSetStringW(record.get(), 0, L"[1]");
    MsiRecordSetStringW(record.get(), 1, text.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record.get());
}

}  // namespace

// Runs before any file is copied: Windows Installer finds a plugin folder
// below a file only while copying, too late to undo cleanly. Also notes the
// topmost folder that the install creates, so that uninstalling removes it
// again; a value remembered from the installed version is kept.
extern "C" UINT __stdcall CheckPluginFolder(MSIHANDLE install) noexcept {
    try {
        const std::wstring folder = GetProperty(install, kPluginFolderProperty);
        const tamsel::PluginFolderPlan plan = tamsel::PlanPluginFolder(folder, KindOf);
        if (!plan.file_in_the_way.empty()) {
            ReportError(install, L"The plugin folder " + folder + L" cannot be created: " + plan.file_in_the_way +
                                     L" is a file. Choose another folder with PLUGINDIR.");
            return ERROR_INSTALL_FAILURE;
        }
        if (GetProperty(install, kCreatedFolderProperty).empty() && !plan.first_missing.empty()) {
            MsiSetPropertyW(install, kCreatedFolderProperty, plan.first_missing.c_str());
        }
        return ERROR_SUCCESS;
    } catch (...) {
        return ERROR_INSTALL_FAILURE;
    }
}

// Runs before the policy value is written: the handler and the plugin ignore
// a team store that is not an absolute path, so an install that wrote one
// would succeed and change nothing.
extern "C" UINT __stdcall CheckTeamStore(MSIHANDLE install) noexcept {
    try {
        const std::wstring value = GetProperty(install, kTeamStoreProperty);
        if (!tamsel::TeamStoreFolderFromPolicy(value).empty()) return ERROR_SUCCESS;
        ReportError(install, L"TEAMSTORE " + value +
                                 L" is not an absolute folder path: give a share (\\\\server\\share\\folder) "
                                 L"or a drive path (D:\\folder).");
        return ERROR_INSTALL_FAILURE;
    } catch (...) {
        return ERROR_INSTALL_FAILURE;
    }
}

// Deferred, after Windows Installer removed the plugin's files and its own
// folders: removes the parents that the install created, while they are
// empty. Its data is "<plugin folder>|<topmost created folder>".
extern "C" UINT __stdcall RemoveCreatedPluginFolders(MSIHANDLE install) noexcept {
    try {
        const std::wstring data = GetProperty(install, L"CustomActionData");
        const size_t bar = data.find(L'|');
        if (bar == std::wstring::npos) return ERROR_SUCCESS;
        for (const std::wstring& folder : tamsel::FoldersUpTo(data.substr(0, bar), data.substr(bar + 1))) {
            if (!RemoveDirectoryW(folder.c_str()) && GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
                break;  // not empty: it holds something that is not ours, and so do its parents
            }
        }
    } catch (...) {
    }
    return ERROR_SUCCESS;  // a folder left behind is no reason to undo an uninstall
}

// Explorer keeps icons, thumbnails and handlers of file types it has seen;
// this makes it look again after the .ifc entries were written or removed.
extern "C" UINT __stdcall NotifyAssociationsChanged(MSIHANDLE) noexcept {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return ERROR_SUCCESS;
}
