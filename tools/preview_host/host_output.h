// What the host programs print: one UTF-8 line per call, with its HRESULT.
#pragma once

#include <windows.h>

#include <string>

namespace tamsel {

void Print(const std::wstring& line);

// Prints "<call> hr=0x........"; true when the call succeeded.
bool Report(const std::wstring& call, HRESULT hr);

}  // namespace tamsel
