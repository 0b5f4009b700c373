// A program that crashes fails, whichever thread crashed: it ends with the
// chosen exit code and names the exception, where under Wine alone it would
// end with exit code 0. The test runs this program again to crash it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "test_main.h"
#include "win32_raii.h"

namespace {

constexpr wchar_t kCrashVariable[] = L"TAMSEL_TEST_CRASH_IN";

void CrashNow() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

struct Ended {
    DWORD exit_code = 0;
    std::string error_output;
};

// This program again, with only this test and `where` to crash.
Ended RunCrashing(const wchar_t* where) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t output_path[MAX_PATH] = {};
    GetTempFileNameW(L".", L"crs", 0, output_path);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    tamsel::UniqueFile output(CreateFileW(output_path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          &inherited, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    EXPECT_TRUE(output);

    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=CrashExit.*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = startup.hStdOutput = output.get();
    PROCESS_INFORMATION process = {};
    SetEnvironmentVariableW(kCrashVariable, where);
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kCrashVariable, nullptr);
    Ended ended;
    if (!started) {
        ADD_FAILURE() << "cannot start the program again: " << GetLastError();
        return ended;
    }
    const tamsel::UniqueFile process_handle(process.hProcess), thread_handle(process.hThread);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &ended.exit_code);

    char text[4096] = {};
    DWORD read = 0;
    SetFilePointer(output.get(), 0, nullptr, FILE_BEGIN);
    ReadFile(output.get(), text, sizeof text - 1, &read, nullptr);
    ended.error_output.assign(text, read);
    return ended;
}

TEST(CrashExit, ACrashEndsTheProgramWithItsCodeAndNamesTheException) {
    wchar_t where[16] = {};
    if (GetEnvironmentVariableW(kCrashVariable, where, 16)) {
        if (std::wstring(where) == L"thread") {
            std::thread(CrashNow).join();
        } else {
            CrashNow();
        }
        return;
    }
    for (const wchar_t* crash_in : {L"main", L"thread"}) {
        SCOPED_TRACE(std::string(crash_in, crash_in + wcslen(crash_in)));
        const Ended ended = RunCrashing(crash_in);
        EXPECT_EQ(ended.exit_code, kTestProgramCrashExitCode) << ended.error_output;
        EXPECT_NE(ended.error_output.find("crashed: exception 0xc0000005 at "), std::string::npos)
            << ended.error_output;
    }
}

}  // namespace
