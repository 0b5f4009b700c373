#include "host_output.h"

#include <cstdio>
#include <cwchar>

namespace tamsel {

void Print(const std::wstring& line) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], size, nullptr, nullptr);
    std::fputs(utf8.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool Report(const std::wstring& call, HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    Print(call + L" hr=" + text);
    return SUCCEEDED(hr);
}

}  // namespace tamsel
