// What the host programs print: one UTF-8 line per call, with its HRESULT;
// and the exit codes they share.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

inline constexpr int kExitFailed = 1;             // a call failed
inline constexpr int kExitNothingRegistered = 2;  // no class for the file's extension
inline constexpr int kExitUsage = 64;
inline constexpr int kExitCrashed = 70;           // with the exception on stderr

void Print(const std::wstring& line);

// Prints "<call> hr=0x........"; true when the call succeeded.
bool Report(const std::wstring& call, HRESULT hr);

}  // namespace tamsel
