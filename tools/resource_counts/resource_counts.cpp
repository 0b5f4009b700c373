#include "resource_counts.h"

#include <windows.h>
#include <winternl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace resource_counts {

namespace {

static_assert(sizeof(void*) == 8, "the table layouts below are those of 64-bit processes");

// One cell of the GDI handle table, as Wine 8 fills it (Windows x64 uses
// cells of the same size and places).
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint16_t owner_process;  // low 16 bits of the owner's id; Wine leaves it 0
    std::uint16_t lock_and_count;
    std::uint8_t ext_type_and_stock;  // bit 7: a stock object
    std::uint8_t generation;
    std::uint8_t type;  // 0: a free cell
    std::uint8_t flags;
    std::uint64_t user_pointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table cell");

constexpr std::size_t kGdiHandleCount = 0x10000;
constexpr std::size_t kPebGdiSharedHandleTable = 0xF8;
constexpr std::uint8_t kStockObject = 0x80;

// SystemExtendedHandleInformation: full process ids and handle values.
constexpr ULONG kSystemExtendedHandleInformation = 64;
struct ExtendedHandleEntry {
    void* object;
    ULONG_PTR process_id;
    ULONG_PTR handle_value;
    ULONG granted_access;
    USHORT creator_back_trace_index;
    USHORT object_type_index;
    ULONG handle_attributes;
    ULONG reserved;
};
struct ExtendedHandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    ExtendedHandleEntry entries[1];
};

// SystemHandleInformation: the older list, with 16-bit process ids.
constexpr ULONG kSystemHandleInformation = 16;
struct HandleEntry {
    USHORT process_id;
    USHORT creator_back_trace_index;
    UCHAR object_type_index;
    UCHAR handle_attributes;
    USHORT handle_value;
    void* object;
    ULONG granted_access;
};
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};

constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

using QuerySystemInformation = NTSTATUS(WINAPI*)(ULONG, void*, ULONG, ULONG*);

// The raw answer to one information class, or nothing when it is not served.
bool QuerySystem(ULONG information_class, std::vector<std::uint8_t>& buffer) {
    static const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return false;
    buffer.resize(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status =
            query(information_class, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kStatusInfoLengthMismatch) {
            // Handles may appear between two calls: leave room for more.
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        return status >= 0;
    }
}

struct WindowTally {
    DWORD process_id;
    long count;
};

void CountIfOurs(HWND window, WindowTally& tally) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == tally.process_id) ++tally.count;
}

BOOL CALLBACK CountDescendant(HWND window, LPARAM tally) {
    CountIfOurs(window, *reinterpret_cast<WindowTally*>(tally));
    return TRUE;
}

// A top-level window and every window below it; a child of ours may sit in a
// foreign window, so every tree is walked.
BOOL CALLBACK CountTree(HWND window, LPARAM tally) {
    CountIfOurs(window, *reinterpret_cast<WindowTally*>(tally));
    EnumChildWindows(window, CountDescendant, tally);
    return TRUE;
}

PROCESS_MEMORY_COUNTERS MemoryCounters() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) counters = {};
    return counters;
}

const std::uint8_t* ProcessEnvironmentBlock() {
    using QueryInformationProcess = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryInformationProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0) {
        return nullptr;
    }
    return reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress);
}

}  // namespace

long CountGdiObjects() {
    const std::uint8_t* peb = ProcessEnvironmentBlock();
    if (!peb) return -1;
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kPebGdiSharedHandleTable);
    if (!table) return -1;

    // Windows shares one table among the processes of a session and names each
    // cell's owner; Wine's table is the process's own and names none.
    const auto self = static_cast<std::uint16_t>(GetCurrentProcessId());
    long owned = 0, ownerless = 0;
    bool any_owner = false;
    for (std::size_t i = 0; i < kGdiHandleCount; ++i) {
        const GdiHandleEntry& entry = table[i];
        if (entry.type == 0) continue;
        if (entry.owner_process != 0) any_owner = true;
        if (entry.ext_type_and_stock & kStockObject) continue;
        if (entry.owner_process == self) ++owned;
        if (entry.owner_process == 0) ++ownerless;
    }
    return any_owner ? owned : ownerless;
}

long CountUserObjects() {
    WindowTally tally{GetCurrentProcessId(), 0};
    EnumWindows(CountTree, reinterpret_cast<LPARAM>(&tally));
    for (HWND window = nullptr; (window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr));) {
        CountTree(window, reinterpret_cast<LPARAM>(&tally));
    }
    return tally.count;
}

long CountKernelHandles() {
    const DWORD self = GetCurrentProcessId();
    std::vector<std::uint8_t> buffer;
    long count = 0;
    if (QuerySystem(kSystemExtendedHandleInformation, buffer)) {
        const auto* list = reinterpret_cast<const ExtendedHandleList*>(buffer.data());
        for (ULONG_PTR i = 0; i < list->count; ++i) {
            if (list->entries[i].process_id == self) ++count;
        }
        return count;
    }
    if (QuerySystem(kSystemHandleInformation, buffer)) {
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        for (ULONG i = 0; i < list->count; ++i) {
            if (list->entries[i].process_id == static_cast<USHORT>(self)) ++count;
        }
        return count;
    }
    return -1;
}

std::size_t HeapBytesInUse() {
    std::vector<HANDLE> heaps(64);
    for (;;) {
        const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
        if (count <= heaps.size()) {
            heaps.resize(count);
            break;
        }
        heaps.resize(count + 16);  // heaps made between the two calls
    }
    std::size_t bytes = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return bytes;
}

std::size_t WorkingSetBytes() { return MemoryCounters().WorkingSetSize; }
std::size_t PeakWorkingSetBytes() { return MemoryCounters().PeakWorkingSetSize; }

ResourceCounts TakeResourceCounts() {
    ResourceCounts counts;
    counts.gdi_objects = CountGdiObjects();
    counts.user_objects = CountUserObjects();
    counts.kernel_handles = CountKernelHandles();
    counts.heap_bytes = HeapBytesInUse();
    counts.working_set_bytes = WorkingSetBytes();
    return counts;
}

}  // namespace resource_counts
