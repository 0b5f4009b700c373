// A crash ends the process with a chosen exit code and a line on stderr.
// Wine answers an unhandled exception by starting its debugger, after which
// the process ends with exit code 0: a host or test program that a module
// crashed would otherwise report success.
#pragma once

#include <windows.h>

#include <cstdio>

namespace tamsel {

namespace crash_exit_detail {

inline UINT exit_code = 0;

inline LONG WINAPI EndProcess(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    std::fprintf(stderr, "crashed: exception 0x%08lx at %p\n", static_cast<unsigned long>(record.ExceptionCode),
                 record.ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), exit_code);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace crash_exit_detail

// For the whole process and all its threads, from the call on.
inline void ExitWithCodeOnCrash(UINT exit_code) {
    crash_exit_detail::exit_code = exit_code;
    SetUnhandledExceptionFilter(crash_exit_detail::EndProcess);
}

}  // namespace tamsel
