// Which preview handler or thumbnail provider the shell would create for a file
// type: the registry walk from the extension to the class and its in-process server.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

// The shell's slots below a type key's shellex, named by the interface that the slot's class provides.
inline constexpr wchar_t kPreviewHandlerSlot[] = L"{8895b1c6-b41f-4c1c-a562-0d564250836f}";
inline constexpr wchar_t kThumbnailProviderSlot[] = L"{e357fccd-a995-4576-b01f-234630154e96}";

struct ShellExtensionEntry {
    std::wstring type_key;     // the extension, or the programmatic identifier it names
    std::wstring clsid_text;   // as registered under the type key's slot
    CLSID clsid = {};
    std::wstring server_path;  // InprocServer32 of the class; empty when not registered
};

// The type key of `extension`: the default value of its key when that was read
// (`read_status` ERROR_SUCCESS) and is not empty, else the extension itself.
// An extension without a leading dot is its own type key.
std::wstring ChooseTypeKey(const std::wstring& extension, LSTATUS read_status,
                           const std::wstring& default_value);

// Reads HKEY_CLASSES_ROOT as the shell does. HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
// when the type's `slot` is empty; another failure for a slot that holds no
// class identifier.
HRESULT FindShellExtension(const std::wstring& extension, const wchar_t* slot, ShellExtensionEntry& entry) noexcept;

}  // namespace tamsel
