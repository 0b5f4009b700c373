// The test programs' entry point. Output is unbuffered so that a process that
// dies still shows how far it got; a crash fails the program.
#include <gtest/gtest.h>

#include <cstdio>

#include "crash_exit.h"
#include "test_main.h"

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    tamsel::ExitWithCodeOnCrash(kTestProgramCrashExitCode);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
