#include "registration_layout.h"

#include <objbase.h>

#include "guids.h"

namespace tamsel {

namespace {

constexpr wchar_t kClassesBelowRoot[] = L"Software\\Classes";
constexpr wchar_t kHandlerListKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";
constexpr wchar_t kPreviewHost[] = L"%SystemRoot%\\system32\\prevhost.exe";
// The shell's slots below a file type's key, named by the interface that a
// slot's class provides (IPreviewHandler, IThumbnailProvider), in lower case.
constexpr wchar_t kPreviewSlot[] = L"\\shellex\\{8895b1c6-b41f-4c1c-a562-0d564250836f}";
constexpr wchar_t kThumbnailSlot[] = L"\\shellex\\{e357fccd-a995-4576-b01f-234630154e96}";

std::wstring GuidText(REFGUID guid) {
    wchar_t text[39];
    StringFromGUID2(guid, text, ARRAYSIZE(text));
    return text;
}

// The surrogate that hosts the preview handler, and whether this server
// declares that surrogate itself under its own AppID key.
struct PreviewHost {
    const GUID& app_id;
    bool own_app_id_key;
};

PreviewHost ChoosePreviewHost(RegistrationMode mode, Bitness windows, Bitness module) {
    // A 64-bit system's own preview host is 64-bit and cannot load a 32-bit
    // DLL; Windows keeps a 32-bit host for those.
    if (windows == Bitness::k64 && module == Bitness::k32) return {kWow64PreviewHostAppId, false};
    // An AppID key declares a surrogate for every user and needs administrator
    // rights; a per-user class names the host that Windows declares already.
    if (mode == RegistrationMode::kCurrentUser) return {kPreviewHostAppId, false};
    return {kHandlerAppId, true};
}

}  // namespace

bool ParseInstallCommandLine(const wchar_t* command_line, RegistrationMode& mode) {
    if (command_line == nullptr || *command_line == L'\0') {
        mode = RegistrationMode::kAllUsers;
        return true;
    }
    if (CompareStringOrdinal(command_line, -1, L"user", -1, TRUE) == CSTR_EQUAL) {
        mode = RegistrationMode::kCurrentUser;
        return true;
    }
    return false;
}

std::vector<ClassesKey> TypeKeyLookup(RegistrationMode mode) {
    switch (mode) {
        case RegistrationMode::kSelfRegistration:
            return {{HKEY_CLASSES_ROOT, L""}};
        case RegistrationMode::kAllUsers:
            // The machine's own binding: a binding that one user made must not
            // decide where the entries of every user go.
            return {{HKEY_LOCAL_MACHINE, kClassesBelowRoot}};
        case RegistrationMode::kCurrentUser:
            // The binding that this user's Explorer sees: the user's own one,
            // which overrides the machine's, else the machine's. A slot written
            // below that type key in the user's classes overrides the machine's
            // slot for this user alone. Read both keys, not the merged
            // HKEY_CLASSES_ROOT, so the result does not depend on how a system
            // merges them.
            return {{HKEY_CURRENT_USER, kClassesBelowRoot}, {HKEY_LOCAL_MACHINE, kClassesBelowRoot}};
    }
    return {};
}

// The layouts, row by row ({handler}, {thumbnail}, {app} as StringFromGUID2
// writes them; <classes> and <list root> as the mode chooses). An installer
// that registers for all users writes the rows of DllInstall "".
//
// | Key below <classes> or <list root> | Value          | Type          | Data                                 | Written by  |
// |------------------------------------|----------------|---------------|--------------------------------------|-------------|
// | CLSID\{handler}                     | (default)      | REG_SZ        | "tamsel.TamselHandler Class"         | every mode  |
// | CLSID\{handler}                     | AppID          | REG_SZ        | {app}                                | every mode  |
// | CLSID\{handler}\InprocServer32      | (default)      | REG_SZ        | module path                          | every mode  |
// | CLSID\{handler}\InprocServer32      | ThreadingModel | REG_SZ        | "Apartment"                          | every mode  |
// | AppID\{app}                         | DllSurrogate   | REG_EXPAND_SZ | "%SystemRoot%\system32\prevhost.exe" | own AppID   |
// | CLSID\{thumbnail}                   | (default)      | REG_SZ        | "tamsel.TamselThumbnailProvider Class" | DllInstall |
// | CLSID\{thumbnail}\InprocServer32    | (default)      | REG_SZ        | module path                          | DllInstall  |
// | CLSID\{thumbnail}\InprocServer32    | ThreadingModel | REG_SZ        | "Apartment"                          | DllInstall  |
// | <type key>\shellex\{8895b1c6-...}   | (default)      | REG_SZ        | {handler}                            | every mode  |
// | <type key>\shellex\{e357fccd-...}   | (default)      | REG_SZ        | {thumbnail}                          | DllInstall  |
// | Software\Microsoft\Windows\CurrentVersion\PreviewHandlers | {handler} | REG_SZ | "TamselHandler" | every mode |
//
// | Mode               | <classes>             | <list root>        | {app}; own AppID key                  |
// |--------------------|-----------------------|--------------------|---------------------------------------|
// | DllRegisterServer  | HKEY_CLASSES_ROOT     | HKEY_CURRENT_USER  | {95AA36D5-...}; yes                   |
// | DllInstall ""      | HKLM\Software\Classes | HKEY_LOCAL_MACHINE | {95AA36D5-...}; yes                   |
// | DllInstall "user"  | HKCU\Software\Classes | HKEY_CURRENT_USER  | {6D2B5079-...}, Windows' host; no     |
// | any mode, 32-bit DLL on 64-bit Windows     |                    | {534A1E02-...}, its 32-bit host; no   |
//
// <type key> is the programmatic identifier that .ifc names (TypeKeyLookup),
// else .ifc itself.
RegistryLayout ChooseRegistryLayout(RegistrationMode mode, Bitness windows, Bitness module,
                                    const std::wstring& module_path, const std::wstring& type_key) {
    RegistryLayout layout{{HKEY_CLASSES_ROOT, L""}, HKEY_CURRENT_USER, RemovalStyle::kStrict, {}};
    if (mode == RegistrationMode::kAllUsers) {
        layout = {{HKEY_LOCAL_MACHINE, kClassesBelowRoot}, HKEY_LOCAL_MACHINE, RemovalStyle::kTolerant, {}};
    } else if (mode == RegistrationMode::kCurrentUser) {
        layout = {{HKEY_CURRENT_USER, kClassesBelowRoot}, HKEY_CURRENT_USER, RemovalStyle::kTolerant, {}};
    }
    // Self-registration keeps the one class it always registered.
    const bool with_thumbnails = mode != RegistrationMode::kSelfRegistration;

    const std::wstring handler = GuidText(kHandlerClassId);
    const std::wstring thumbnail = GuidText(kThumbnailClassId);
    const PreviewHost host = ChoosePreviewHost(mode, windows, module);
    const std::wstring app_id = GuidText(host.app_id);
    const std::wstring handler_key = L"CLSID\\" + handler;
    const std::wstring thumbnail_key = L"CLSID\\" + thumbnail;
    constexpr RegistryPlace kClasses = RegistryPlace::kClasses;

    auto& rows = layout.rows;
    rows = {
        {kClasses, handler_key, L"", REG_SZ, kClassDescription, Removal::kTree},
        {kClasses, handler_key, L"AppID", REG_SZ, app_id, Removal::kWithTree},
        {kClasses, handler_key + L"\\InprocServer32", L"", REG_SZ, module_path, Removal::kWithTree},
        {kClasses, handler_key + L"\\InprocServer32", L"ThreadingModel", REG_SZ, kThreadingModel, Removal::kWithTree},
    };
    if (host.own_app_id_key) {
        rows.push_back({kClasses, L"AppID\\" + app_id, L"DllSurrogate", REG_EXPAND_SZ, kPreviewHost, Removal::kTree});
    }
    if (with_thumbnails) {
        rows.push_back({kClasses, thumbnail_key, L"", REG_SZ, kThumbnailClassDescription, Removal::kTree});
        rows.push_back({kClasses, thumbnail_key + L"\\InprocServer32", L"", REG_SZ, module_path, Removal::kWithTree});
        rows.push_back({kClasses, thumbnail_key + L"\\InprocServer32", L"ThreadingModel", REG_SZ, kThreadingModel,
                        Removal::kWithTree});
    }
    rows.push_back({kClasses, type_key + kPreviewSlot, L"", REG_SZ, handler, Removal::kSlot});
    if (with_thumbnails) {
        rows.push_back({kClasses, type_key + kThumbnailSlot, L"", REG_SZ, thumbnail, Removal::kSlot});
    }
    rows.push_back({RegistryPlace::kHandlerList, kHandlerListKey, handler, REG_SZ, kHandlerName, Removal::kValue});
    return layout;
}

}  // namespace tamsel
