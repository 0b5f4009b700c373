#include "bounded_work.h"

#include <new>

namespace tamsel {

namespace {

volatile LONG g_running = 0;  // workers alive
volatile LONG g_overdue = 0;  // workers whose caller stopped waiting

enum : LONG { kRunning, kFinished, kAbandoned };

struct Job {
    std::shared_ptr<BoundedTask> task;
    HMODULE module = nullptr;  // one reference, released as the worker exits
    volatile LONG state = kRunning;
};

DWORD WINAPI WorkerMain(void* parameter) {
    HMODULE module = nullptr;
    {
        const std::unique_ptr<std::shared_ptr<Job>> own(static_cast<std::shared_ptr<Job>*>(parameter));
        Job& job = **own;
        module = job.module;
        job.task->Run();
        if (InterlockedCompareExchange(&job.state, kFinished, kRunning) == kAbandoned) {
            InterlockedDecrement(&g_overdue);
        }
    }  // the job, and the task unless the caller still holds it, are freed here
    InterlockedDecrement(&g_running);
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool RunBounded(std::shared_ptr<BoundedTask> task, DWORD wait_ms) noexcept {
    if (!task || g_overdue > 0) return false;
    try {
        auto job = std::make_shared<Job>();
        job->task = std::move(task);
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WorkerMain),
                                &job->module)) {
            return false;
        }
        auto* for_worker = new (std::nothrow) std::shared_ptr<Job>(job);
        if (!for_worker) {
            FreeLibrary(job->module);
            return false;
        }
        InterlockedIncrement(&g_running);
        const HANDLE thread = CreateThread(nullptr, 0, WorkerMain, for_worker, 0, nullptr);
        if (!thread) {
            InterlockedDecrement(&g_running);
            FreeLibrary(job->module);
            delete for_worker;
            return false;
        }
        const DWORD waited = WaitForSingleObject(thread, wait_ms);
        CloseHandle(thread);
        if (waited == WAIT_OBJECT_0) return true;

        // Counted before the worker can see the job abandoned, so that its
        // decrement never comes first.
        InterlockedIncrement(&g_overdue);
        if (InterlockedCompareExchange(&job->state, kAbandoned, kRunning) == kRunning) return false;
        InterlockedDecrement(&g_overdue);  // it finished as the wait ran out
        return true;
    } catch (...) {
        return false;
    }
}

bool BoundedWorkRunning() noexcept { return g_running > 0; }

}  // namespace tamsel
