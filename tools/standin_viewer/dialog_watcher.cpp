#include "dialog_watcher.h"

#include "host_log.h"
#include "png_file.h"

namespace standin {
namespace {

constexpr DWORD kPollInterval = 20;
constexpr DWORD kSettleDelay = 150;  // the dialog's show step sets the focus
constexpr DWORD kPaintDelay = 300;
constexpr DWORD kEscapeGrace = 500;
constexpr DWORD kCloseTimeout = 5000;

HWND FindVisibleDialog() {
    HWND candidate = nullptr;
    while ((candidate = FindWindowExW(nullptr, candidate, nullptr, kDialogCaption)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(candidate, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(candidate)) return candidate;
    }
    return nullptr;
}

// Key messages as the keyboard would post them to the focused control.
void PostKey(DWORD ui_thread, HWND dialog, WPARAM key, UINT scan_code) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const HWND focus = GetGUIThreadInfo(ui_thread, &info) && info.hwndFocus ? info.hwndFocus : dialog;
    PostMessageW(focus, WM_KEYDOWN, key, 1 | (scan_code << 16));
    PostMessageW(focus, WM_KEYUP, key, 1 | (scan_code << 16) | 0xC0000000u);
}

std::string WindowRectText(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return RectText(rect.left, rect.top, rect.right, rect.bottom);
}

}  // namespace

const char* DialogAnswerName(DialogAnswer answer) {
    switch (answer) {
    case DialogAnswer::yes: return "yes";
    case DialogAnswer::enter: return "enter";
    case DialogAnswer::no: return "no";
    case DialogAnswer::close: return "close";
    case DialogAnswer::escape: return "escape";
    }
    return "?";
}

DialogWatcher::DialogWatcher(DialogPlan plan)
    : plan_(std::move(plan)), ui_thread_(GetCurrentThreadId()), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (stop_) thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (!thread_) {
        LogViewer("dialog watcher could not start");
        failed_ = true;
    }
}

DialogWatcher::~DialogWatcher() {
    Finish();
    if (stop_) CloseHandle(stop_);
}

bool DialogWatcher::Finish() {
    if (thread_) {
        // Every wait of the helper thread is bounded, so this ends.
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
        if (!seen_ && plan_.expects_dialog()) {
            LogViewer("dialog expected, none appeared");
            failed_ = true;
        }
    }
    return !failed_;
}

DWORD WINAPI DialogWatcher::ThreadMain(void* self) {
    static_cast<DialogWatcher*>(self)->Watch();
    return 0;
}

void DialogWatcher::Watch() {
    while (WaitForSingleObject(stop_, kPollInterval) == WAIT_TIMEOUT) {
        if (const HWND dialog = FindVisibleDialog()) {
            seen_ = true;
            Handle(dialog);
            return;
        }
    }
}

void DialogWatcher::Handle(HWND dialog) {
    LogViewer("dialog shown at " + WindowRectText(dialog));
    if (!plan_.expects_dialog()) {
        LogViewer("dialog not expected: closing it");
        failed_ = true;
        Answer(dialog, DialogAnswer::close);
        return;
    }
    // Enter goes to the focused control and a saved picture should show it
    // settled; a click on a button or the close box works at once.
    const DialogAnswer answer = plan_.answer.value_or(DialogAnswer::close);
    if (plan_.save_path || answer == DialogAnswer::enter || answer == DialogAnswer::escape) Sleep(kSettleDelay);
    if (plan_.save_path) {
        // Let the modal loop paint it all before it is saved.
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        Sleep(kPaintDelay);
        const bool saved = SaveWindowAsPng(dialog, *plan_.save_path);
        LogViewer(std::string(saved ? "dialog saved to " : "dialog not saved to ") + Quoted(plan_.save_path->c_str()));
        failed_ |= !saved;
    }
    Answer(dialog, answer);
}

void DialogWatcher::Answer(HWND dialog, DialogAnswer answer) {
    LogViewer(std::string("dialog answer ") + DialogAnswerName(answer));
    switch (answer) {
    case DialogAnswer::yes:
        PostMessageW(GetDlgItem(dialog, IDYES), BM_CLICK, 0, 0);
        break;
    case DialogAnswer::no:
        PostMessageW(GetDlgItem(dialog, IDNO), BM_CLICK, 0, 0);
        break;
    case DialogAnswer::enter:
        PostKey(ui_thread_, dialog, VK_RETURN, 0x1C);
        break;
    case DialogAnswer::close:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case DialogAnswer::escape:
        PostKey(ui_thread_, dialog, VK_ESCAPE, 0x01);
        if (WaitUntilHidden(dialog, kEscapeGrace)) {
            LogViewer("dialog closed by escape");
            failed_ = true;
            return;
        }
        LogViewer("dialog stays open after escape");
        Answer(dialog, DialogAnswer::no);
        return;
    }
    if (WaitUntilHidden(dialog, kCloseTimeout)) {
        LogViewer("dialog closed");
        return;
    }
    LogViewer("dialog still open after the answer: closing it");
    failed_ = true;
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    WaitUntilHidden(dialog, kCloseTimeout);
}

bool DialogWatcher::WaitUntilHidden(HWND dialog, DWORD milliseconds) {
    for (DWORD waited = 0;; waited += kPollInterval) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return true;
        if (waited >= milliseconds) return false;
        Sleep(kPollInterval);
    }
}

}  // namespace standin
