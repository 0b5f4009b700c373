// The registry rows that each way of registering the server writes and
// removes, chosen without touching the registry so that every case can be
// checked on any machine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tamsel {

enum class RegistrationMode {
    kSelfRegistration,  // DllRegisterServer: HKEY_CLASSES_ROOT, the current user's handler list
    kAllUsers,          // DllInstall "": HKLM\Software\Classes and the machine's handler list
    kCurrentUser,       // DllInstall "user": HKCU\Software\Classes and the user's handler list
};

enum class Bitness { k32, k64 };

// Reads the command line of DllInstall: empty (or none) for all users, "user"
// in any letter case for the current user. Anything else is no mode.
bool ParseInstallCommandLine(const wchar_t* command_line, RegistrationMode& mode);

// Where a row's key lies: below the mode's classes key, or below the root of
// its handler list.
enum class RegistryPlace { kClasses, kHandlerList };

// How uninstalling removes a row.
enum class Removal {
    kTree,      // the row's key with everything below it
    kWithTree,  // nothing of its own: an earlier row's tree holds it
    kValue,     // the value alone: its key holds other servers' values too
    kSlot,      // a shell slot of the file type: the key, while it names our class
};

enum class RemovalStyle {
    // DllUnregisterServer: stops at the first failure, a missing tree or slot
    // included; slots go whatever they name; their parents stay.
    kStrict,
    // DllInstall: what is gone counts as removed; a slot that names another
    // class stays; keys of the file type left empty go too.
    kTolerant,
};

struct RegistryRow {
    RegistryPlace place;
    std::wstring key;         // below the place's root
    std::wstring value_name;  // empty: the key's default value
    DWORD type;
    std::wstring data;
    Removal removal;
};

// A key that holds classes and file types: a root and the path below it
// (empty for HKEY_CLASSES_ROOT itself).
struct ClassesKey {
    HKEY root;
    const wchar_t* key;
};

struct RegistryLayout {
    ClassesKey classes;
    HKEY handler_list_root;
    RemovalStyle removal_style;
    std::vector<RegistryRow> rows;  // in writing order; removal follows the same order
};

// The classes keys whose extension key binds .ifc to a programmatic
// identifier in `mode`, in order; the first non-empty string value counts.
std::vector<ClassesKey> TypeKeyLookup(RegistrationMode mode);

// `windows` is the bitness of the system, `module` that of this DLL; the
// module path and the type key come from the machine.
RegistryLayout ChooseRegistryLayout(RegistrationMode mode, Bitness windows, Bitness module,
                                    const std::wstring& module_path, const std::wstring& type_key);

}  // namespace tamsel
