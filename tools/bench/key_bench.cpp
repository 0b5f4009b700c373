// key_bench: how fast the Preview key of one file is computed, over a file
// stream as the preview handler gets it and over the file as the viewer
// plugin reads it. Best of three runs each; 1 MB = 10^6 bytes.
//
//   key_bench <file>
//
// Prints name=value lines; exits 1 when a key is empty or the two differ.
#include <windows.h>
#include <shlwapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "win32_raii.h"
#include "preview_store.h"

namespace {

constexpr int kRuns = 3;

struct Timing {
    std::wstring key;
    double best_seconds = 0;
};

double Now() {
    static const double ticks_per_second = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return static_cast<double>(ticks.QuadPart) / ticks_per_second;
}

std::wstring KeyOverStream(const std::wstring& path) {
    tamsel::ComPtr<IStream> stream;
    if (FAILED(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE,
                                      nullptr, stream.put())))
        return {};
    return tamsel::ComputePreviewKey(stream.get());
}

template <typename Compute>
Timing BestOf(const std::wstring& path, Compute compute) {
    Timing timing;
    for (int run = 0; run < kRuns; ++run) {
        const double start = Now();
        std::wstring key = compute(path);
        const double seconds = Now() - start;
        if (run == 0 || seconds < timing.best_seconds) timing.best_seconds = seconds;
        if (key.empty() || (run > 0 && key != timing.key)) return {};
        timing.key = key;
    }
    return timing;
}

void PrintTiming(const char* name, const Timing& timing, unsigned long long bytes) {
    const double mb_per_s = timing.best_seconds > 0 ? bytes / 1e6 / timing.best_seconds : 0;
    std::printf("path=%s key=%ls best_seconds=%.4f mb_per_s=%.1f\n", name, timing.key.c_str(), timing.best_seconds,
                mb_per_s);
}

int Run(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        std::printf("key_bench: cannot read %ls (error %lu)\n", path.c_str(), GetLastError());
        return 1;
    }
    const unsigned long long bytes =
        (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    std::printf("size_bytes=%llu\nruns=%d\nunit=MB/s, 1 MB = 1000000 bytes\n", bytes, kRuns);

    const Timing stream = BestOf(path, KeyOverStream);
    const Timing file = BestOf(path, tamsel::ComputePreviewKeyOfFile);
    PrintTiming("stream", stream, bytes);
    PrintTiming("file", file, bytes);
    if (stream.key.empty() || file.key.empty() || stream.key != file.key) {
        std::printf("key_bench: the keys are empty or differ\n");
        return 1;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // plain LF lines for the scripts that read them
    try {
        if (argc != 2) {
            std::printf("usage: key_bench <file>\n");
            return 64;
        }
        return Run(argv[1]);
    } catch (...) {
        std::printf("key_bench: out of memory\n");
        return 1;
    }
}
