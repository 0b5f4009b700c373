// The stand-in viewer: a small host that loads the plugin, exports the
// viewer's functions to it and runs a script of user actions (README.md).
#include <string>
#include <vector>

#include "crash_exit.h"
#include "session.h"

int wmain(int argc, wchar_t** argv) {
    tamsel::ExitWithCodeOnCrash(standin::kExitCrashed);
    try {
        return standin::RunViewer(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (...) {
        return standin::kExitException;
    }
}
