// hold_file <file> <program> [argument...]: holds <file> open for reading with
// read sharing, as the preview handler holds a stored picture while it decodes
// it, for as long as <program> runs; exits with the program's exit code.
// Its own failures, apart from the stand-in viewer's exit codes: 20 bad
// arguments, 21 the file cannot be opened, 22 the program cannot start.
#include <windows.h>

#include <cstdio>
#include <string>

#include "win32_raii.h"

namespace {

// One argument as CommandLineToArgvW and the C runtime split it again.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes double only before a quote.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: hold_file <file> <program> [argument...]\n");
        return 20;
    }
    const tamsel::UniqueFile held(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) {
        std::fwprintf(stderr, L"hold_file: cannot open %ls (error %lu)\n", argv[1], GetLastError());
        return 21;
    }

    std::wstring command_line = Quoted(argv[2]);
    for (int i = 3; i < argc; ++i) command_line += L" " + Quoted(argv[i]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[2], command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fwprintf(stderr, L"hold_file: cannot start %ls (error %lu)\n", argv[2], GetLastError());
        return 22;
    }
    // UniqueFile closes any kernel handle.
    const tamsel::UniqueFile program(process.hProcess);
    const tamsel::UniqueFile thread(process.hThread);
    WaitForSingleObject(program.get(), INFINITE);
    DWORD exit_code = 22;
    GetExitCodeProcess(program.get(), &exit_code);
    return static_cast<int>(exit_code);
}
