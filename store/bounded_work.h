// File work that may stall, run on a worker thread that the caller stops
// waiting for. An unreachable file server can hold an open or a read for tens
// of seconds; the caller (Explorer's preview host, the viewer's UI thread)
// must go on after a bound instead.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <utility>

namespace tamsel {

class BoundedTask {
public:
    virtual ~BoundedTask() = default;
    // Runs on the worker thread; its results stay in the object. Must not throw.
    virtual void Run() noexcept = 0;
};

// Runs `task` on a worker thread and waits at most `wait_ms` for it. True when
// it ran to its end in time: its results may then be read. False when it
// overran (it goes on alone, holds a reference of this module so that the
// code cannot be unloaded under it, and frees what it owns when it ends), when
// no thread could be started, and at once, without starting anything, while
// an earlier task that overran is still running: a server that stalled one
// open stalls the next, and waiting for each in turn would pile up threads.
bool RunBounded(std::shared_ptr<BoundedTask> task, DWORD wait_ms) noexcept;

// Whether a worker of RunBounded is still running, overdue or not; the module
// must not be unloaded meanwhile.
bool BoundedWorkRunning() noexcept;

// `call` (which must not throw) run through RunBounded: its result, or nothing
// when it overran or could not start. What `call` captures stays with the
// worker, so it may only capture by value.
template <typename Call>
auto CallBounded(Call call, DWORD wait_ms) noexcept -> std::optional<decltype(call())> {
    using Result = decltype(call());
    class CallTask final : public BoundedTask {
    public:
        explicit CallTask(Call call) : call_(std::move(call)) {}
        void Run() noexcept override { result = call_(); }
        std::optional<Result> result;

    private:
        Call call_;
    };
    try {
        const auto task = std::make_shared<CallTask>(std::move(call));
        if (!RunBounded(task, wait_ms)) return std::nullopt;
        return std::move(task->result);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace tamsel
