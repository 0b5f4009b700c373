#include "gdiplus_session.h"

#include <windows.h>
#include <objidl.h>  // PROPID and IStream, left out by WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include <utility>

namespace tamsel {

namespace {

// Forms normally live on one thread of the preview host, but nothing stops a
// host from building two on different threads at the same moment.
SRWLOCK g_lock = SRWLOCK_INIT;
int g_users = 0;
ULONG_PTR g_token = 0;

class LockHold {
public:
    LockHold() { AcquireSRWLockExclusive(&g_lock); }
    ~LockHold() { ReleaseSRWLockExclusive(&g_lock); }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;
};

}  // namespace

GdiplusUse::GdiplusUse() noexcept {
    LockHold hold;
    ++g_users;
    if (!g_token) {
        const Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) g_token = token;
    }
    ready_ = g_token != 0;
}

GdiplusUse::~GdiplusUse() {
    LockHold hold;
    --g_users;
}

void ShutDownUnusedGdiplus(void (*release_with_it)()) noexcept {
    LockHold hold;
    if (g_users > 0) return;
    if (g_token) Gdiplus::GdiplusShutdown(std::exchange(g_token, 0));
    release_with_it();
}

}  // namespace tamsel
