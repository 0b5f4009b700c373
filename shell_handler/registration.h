// Registration: the registry entries that make the shell use this server's
// classes for .ifc files.
#pragma once

#include <windows.h>

namespace tamsel {

// Writes the class, its surrogate (a 32-bit build on 64-bit Windows names the
// system's 32-bit preview host instead), the .ifc handler slot and the per-user
// handler list; stops at the first failure and leaves what was written.
HRESULT RegisterServer();

// Removes what RegisterServer wrote; stops at the first failure.
HRESULT UnregisterServer();

// DllInstall: registers both classes (or removes them) for all users with an
// empty command line, for the current user alone with "user"; any other
// command line is E_INVALIDARG and changes nothing.
HRESULT InstallServer(bool install, const wchar_t* command_line);

}  // namespace tamsel
