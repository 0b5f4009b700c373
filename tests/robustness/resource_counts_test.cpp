// The counts that the leak checks rest on must move when something leaks:
// objects are leaked on purpose, counted, freed and counted again.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "resource_counts.h"

namespace {

using resource_counts::CountGdiObjects;
using resource_counts::CountKernelHandles;
using resource_counts::CountUserObjects;

// Each count rises by about `n` while `n` objects live and falls back after.
template <typename Make, typename Free>
void ExpectCountFollows(long (*count)(), int n, Make make, Free free_all) {
    const long before = count();
    ASSERT_GE(before, 0) << "cannot be counted";
    make(n);
    const long during = count();
    free_all();
    const long after = count();
    // A little slack for objects that the system makes on the side.
    EXPECT_GE(during - before, n);
    EXPECT_LE(during - before, n + 3);
    EXPECT_LE(after - before, 1);
    EXPECT_GE(after - before, -1);
}

TEST(ResourceCounts, GdiObjectsFollowBrushesAndBitmaps) {
    std::vector<HGDIOBJ> objects;
    ExpectCountFollows(
        CountGdiObjects, 50,
        [&](int n) {
            for (int i = 0; i < n; ++i) {
                objects.push_back(i % 2 ? static_cast<HGDIOBJ>(CreateSolidBrush(RGB(i, 0, 0)))
                                        : static_cast<HGDIOBJ>(CreateBitmap(4, 4, 1, 32, nullptr)));
            }
        },
        [&] {
            for (HGDIOBJ object : objects) DeleteObject(object);
        });
}

TEST(ResourceCounts, UserObjectsFollowTopLevelMessageOnlyAndChildWindows) {
    // The first window of a thread brings helpers of its own (an input context
    // window): make one beforehand so that only the leaked ones are counted.
    HWND first = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    std::vector<HWND> windows;
    ExpectCountFollows(
        CountUserObjects, 20,
        [&](int n) {
            for (int i = 0; i < n; ++i) {
                HWND parent = nullptr;
                DWORD style = WS_POPUP;
                if (i % 3 == 1) parent = HWND_MESSAGE;
                if (i % 3 == 2) {
                    parent = windows.back();  // a child of the window made just before
                    style = WS_CHILD;
                }
                windows.push_back(CreateWindowExW(0, L"STATIC", L"", style, 0, 0, 10, 10, parent, nullptr, nullptr,
                                                  nullptr));
            }
        },
        [&] {
            for (auto it = windows.rbegin(); it != windows.rend(); ++it) DestroyWindow(*it);
        });
    DestroyWindow(first);
}

TEST(ResourceCounts, KernelHandlesFollowEvents) {
    std::vector<HANDLE> events;
    ExpectCountFollows(
        CountKernelHandles, 50,
        [&](int n) {
            for (int i = 0; i < n; ++i) events.push_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        },
        [&] {
            for (HANDLE event : events) CloseHandle(event);
        });
}

TEST(ResourceCounts, HeapBytesFollowSmallAllocations) {
    const std::size_t before = resource_counts::HeapBytesInUse();
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < 50; ++i) blocks.emplace_back(new char[1000]);
    const std::size_t during = resource_counts::HeapBytesInUse();
    blocks.clear();
    const std::size_t after = resource_counts::HeapBytesInUse();
    EXPECT_GE(during, before + 50 * 1000);
    EXPECT_LE(during, before + 50 * 1000 + 4096);
    EXPECT_LE(after, before + 1024);
}

TEST(ResourceCounts, WorkingSetFollowsTouchedMemory) {
    constexpr std::size_t kBytes = 64u << 20;
    const std::size_t before = resource_counts::WorkingSetBytes();
    void* block = VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(block, nullptr);
    memset(block, 1, kBytes);
    EXPECT_GE(resource_counts::WorkingSetBytes(), before + kBytes * 9 / 10);
    EXPECT_GE(resource_counts::PeakWorkingSetBytes(), before + kBytes * 9 / 10);
    VirtualFree(block, 0, MEM_RELEASE);
    EXPECT_LE(resource_counts::WorkingSetBytes(), before + kBytes / 10);
}

}  // namespace
