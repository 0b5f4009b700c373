// What the test programs' entry point (test_main.cpp) promises.
#pragma once

#include <windows.h>

// The exit code of a test program that crashed, as abort() ends a program.
inline constexpr UINT kTestProgramCrashExitCode = 3;
