// The server's counts under calls from several threads at once: class object
// requests, locks, references, instances and unload polls, for a bounded
// time. The counts must never be seen torn and must end at zero.
#include <gtest/gtest.h>

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "../handler_com/handler_dll.h"
#include "resource_counts.h"
#include "robustness_support.h"
#include "scripted_stream.h"

namespace {

using namespace robustness;
using tamsel::ComPtr;

constexpr int kThreads = 4;
constexpr auto kStormTime = std::chrono::milliseconds(1000);

// What the threads of one storm tried and what went wrong.
struct Storm {
    std::atomic<long> calls{0};
    std::atomic<long> wrong{0};
    std::atomic<bool> stop{false};
    std::string first_wrong;  // written once, by the thread that saw the first fault
    std::atomic<bool> have_first{false};

    void Expect(bool ok, const char* what) {
        ++calls;
        if (ok) return;
        if (++wrong == 1) {
            first_wrong = what;
            have_first = true;
        }
    }
};

// One round of everything a host may do with the server from any thread.
// `locked` tells that the main thread holds a lock all along, so that every
// unload poll must say no.
void ServerRound(Storm& storm, IClassFactory* shared, bool locked) {
    const HandlerDll& dll = HandlerDll::Built();
    {
        ComPtr<IClassFactory> factory;
        storm.Expect(dll.DllGetClassObject(kHandlerClassId, IID_IClassFactory, factory.put_void()) == S_OK,
                     "DllGetClassObject(IClassFactory)");
        if (factory) {
            storm.Expect(factory->AddRef() >= 2, "AddRef of a new factory");
            storm.Expect(factory->Release() >= 1, "Release of a new factory");
            storm.Expect(factory->LockServer(TRUE) == S_OK, "LockServer(TRUE)");
            storm.Expect(dll.DllCanUnloadNow() == S_FALSE, "DllCanUnloadNow while locked");
            storm.Expect(factory->LockServer(FALSE) == S_OK, "LockServer(FALSE)");
        }
    }
    {
        void* out = reinterpret_cast<void*>(1);
        storm.Expect(dll.DllGetClassObject(kHandlerClassId, IID_IPreviewHandler, &out) == E_NOINTERFACE && !out,
                     "DllGetClassObject(IPreviewHandler)");
    }
    storm.Expect(shared->AddRef() >= 2, "AddRef of the shared factory");
    storm.Expect(shared->LockServer(TRUE) == S_OK, "LockServer(TRUE) on the shared factory");
    {
        ComPtr<IUnknown> handler;
        storm.Expect(shared->CreateInstance(nullptr, IID_IUnknown, handler.put_void()) == S_OK, "CreateInstance");
        if (handler) storm.Expect(handler->AddRef() == 2 && handler->Release() == 1, "AddRef/Release of a handler");
    }
    storm.Expect(shared->LockServer(FALSE) == S_OK, "LockServer(FALSE) on the shared factory");
    storm.Expect(shared->Release() >= 1, "Release of the shared factory");
    const HRESULT unload = dll.DllCanUnloadNow();
    storm.Expect(locked ? unload == S_FALSE : (unload == S_OK || unload == S_FALSE), "DllCanUnloadNow");
}

// Runs `body` on kThreads threads until the storm's time is up.
template <typename Body>
void RunStorm(Storm& storm, Body body) {
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&storm, body, i] {
            while (!storm.stop) body(i);
        });
    }
    std::this_thread::sleep_for(kStormTime);
    storm.stop = true;
    for (std::thread& thread : threads) thread.join();
}

TEST(ComUnderLoad, CountsEndAtZero) {
    CaseReport report("com-under-load");
    const HandlerDll& dll = HandlerDll::Built();
    ASSERT_NE(dll.module, nullptr);
    ASSERT_EQ(dll.DllCanUnloadNow(), S_OK);
    // A thread's first round starts what stays (thread pool, heaps): warm up.
    {
        Storm warm_up;
        ComPtr<IClassFactory> shared;
        ASSERT_EQ(dll.DllGetClassObject(kHandlerClassId, IID_IClassFactory, shared.put_void()), S_OK);
        RunStorm(warm_up, [&](int) { ServerRound(warm_up, shared.get(), false); });
    }
    const resource_counts::ResourceCounts before = resource_counts::TakeResourceCounts();

    for (const bool locked : {true, false}) {
        const std::string what = locked ? "while the main thread holds a lock" : "with nothing else alive";
        report.Input(what);
        Storm storm;
        ComPtr<IClassFactory> shared;
        ASSERT_EQ(dll.DllGetClassObject(kHandlerClassId, IID_IClassFactory, shared.put_void()), S_OK);
        if (locked) {
            ASSERT_EQ(shared->LockServer(TRUE), S_OK);
        }
        RunStorm(storm, [&](int) { ServerRound(storm, shared.get(), locked); });
        report.Note(what + ": " + std::to_string(storm.calls) + " calls on " + std::to_string(kThreads) + " threads");
        report.Check(storm.wrong == 0, what + ": " + std::to_string(storm.wrong) + " wrong results, the first: " +
                                           (storm.have_first ? storm.first_wrong : std::string()));
        report.Check(dll.DllCanUnloadNow() == S_FALSE, what + ": unloadable while a factory lives");
        if (locked) shared->LockServer(FALSE);
        shared.reset();
        report.Check(dll.DllCanUnloadNow() == S_OK, what + ": the server count does not end at zero");
    }

    CheckNoGrowth(report, before, resource_counts::TakeResourceCounts(), LeakBounds{});
    report.FailOnProblems();
}

// Previews on two threads, each with its own window, while two more threads
// request class objects and poll for unloading: an unload poll that finds no
// object alive releases the pane's shared resources, and must not take them
// from under a preview that is being built at that moment.
TEST(ComUnderLoad, PreviewsWhileTheServerIsPolled) {
    CaseReport report("com-previews-while-polled");
    const HandlerDll& dll = HandlerDll::Built();
    ASSERT_NE(dll.module, nullptr);
    std::atomic<long> previews{0};
    std::atomic<long> failed{0};
    std::string first_failure;
    std::atomic<bool> have_first{false};
    Storm storm;
    report.Input("previews on 2 threads, unload polls on 2");
    RunStorm(storm, [&](int thread) {
        if (thread >= 2) {
            ComPtr<IClassFactory> factory;
            dll.DllGetClassObject(kHandlerClassId, IID_IClassFactory, factory.put_void());
            factory.reset();
            dll.DllCanUnloadNow();
            return;
        }
        thread_local HostWindow host(kHostPlace);
        ScriptedStream stream(UniqueContent("polled"));
        const PreviewResult result = PreviewOnce(&stream, host.handle());
        ++previews;
        const bool sound = result.created == S_OK && result.initialize == S_OK && result.do_preview == S_OK &&
                           result.unload == S_OK && result.outcome == Outcome::Hint &&
                           !result.pane_left_after_unload && result.refs_after_release == 0 && stream.refs() == 1;
        if (!sound && ++failed == 1) {
            char text[160];
            std::snprintf(text, sizeof text, "DoPreview 0x%08lX, pane %s", static_cast<unsigned long>(result.do_preview),
                          OutcomeName(result.outcome));
            first_failure = text;
            have_first = true;
        }
    });
    report.Note(std::to_string(previews) + " previews");
    report.Check(failed == 0, std::to_string(failed) + " of " + std::to_string(previews) +
                                  " previews went wrong, the first: " + (have_first ? first_failure : std::string()));
    report.Check(dll.DllCanUnloadNow() == S_OK, "the server count does not end at zero");
    report.FailOnProblems();
}

}  // namespace
