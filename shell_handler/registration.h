// Self-registration: the registry entries that make the shell use this server
// as the preview handler of .ifc files.
#pragma once

#include <windows.h>

namespace tamsel {

// Writes the class, its surrogate, the .ifc handler slot and the per-user
// handler list; stops at the first failure and leaves what was written.
HRESULT RegisterServer();

// Removes what RegisterServer wrote; stops at the first failure.
HRESULT UnregisterServer();

}  // namespace tamsel
