// What this process holds, counted in ways that also work under Wine, where
// GetGuiResources and GetProcessHandleCount always answer 0.
#pragma once

#include <cstddef>

namespace resource_counts {

struct ResourceCounts {
    long gdi_objects = -1;     // -1: could not be counted
    long user_objects = -1;
    long kernel_handles = -1;
    std::size_t heap_bytes = 0;  // in busy blocks of every heap of the process
    std::size_t working_set_bytes = 0;
};

// GDI objects of this process, stock objects left out: entries of the GDI
// handle table that the process environment block points to.
long CountGdiObjects();

// Windows of this process: top-level, message-only and all their descendants.
long CountUserObjects();

// Kernel handles of this process, from the system-wide handle list.
long CountKernelHandles();

// Bytes in the busy blocks of all the process's heaps: the C runtime's
// allocations among them, so that leaks far smaller than a page show.
std::size_t HeapBytesInUse();

std::size_t WorkingSetBytes();
std::size_t PeakWorkingSetBytes();

ResourceCounts TakeResourceCounts();

}  // namespace resource_counts
