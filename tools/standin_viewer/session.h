// One run of the stand-in viewer: load the plugin, run the script, unload.
#pragma once

#include <string>
#include <vector>

namespace standin {

// Exit codes of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;        // bad arguments, log or window not made
inline constexpr int kExitNoPlugin = 3;     // the module is missing or lacks an entry point
inline constexpr int kExitStepFailed = 4;   // a save failed or a dialog did not go as planned
inline constexpr int kExitException = 5;
inline constexpr int kExitCrashed = 6;      // an unhandled exception, reported on stderr

int RunViewer(const std::vector<std::wstring>& arguments);

}  // namespace standin
