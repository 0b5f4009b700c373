// A test of the built DLL through its exports: it starts and must end with
// nothing alive that keeps the module loaded.
#pragma once

#include <gtest/gtest.h>

#include "handler_dll.h"

class BuiltServerTest : public ::testing::Test {
protected:
    const HandlerDll& dll = HandlerDll::Built();

    void SetUp() override {
        ASSERT_NE(dll.module, nullptr) << "cannot load " << testing::PrintToString(HandlerDll::BuiltPath());
        ASSERT_EQ(dll.DllCanUnloadNow(), S_OK);
    }
    void TearDown() override { EXPECT_EQ(dll.DllCanUnloadNow(), S_OK); }
};
