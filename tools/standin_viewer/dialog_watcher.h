// Answers the plugin's dialog as a user would, from a helper thread, while the
// user-interface thread runs the dialog's modal loop inside a button click.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace standin {

// The dialog: a top-level window of this process with this caption, whose Yes
// and No buttons have the control ids IDYES and IDNO.
inline constexpr wchar_t kDialogCaption[] = L"Tamsel";

enum class DialogAnswer {
    yes,     // clicks Yes
    enter,   // presses Enter on the focused control
    no,      // clicks No
    close,   // the close box
    escape,  // presses Escape, checks the dialog stays open, then clicks No
};

struct DialogPlan {
    std::optional<DialogAnswer> answer;
    std::optional<std::wstring> save_path;  // saved while showing, before the answer

    // A dialog is expected when either is set; one saved but not answered is closed.
    bool expects_dialog() const { return answer || save_path; }
};

class DialogWatcher {
public:
    explicit DialogWatcher(DialogPlan plan);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    // Stops watching. True when a dialog came and went as planned, or none came
    // and none was expected.
    bool Finish();

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Watch();
    void Handle(HWND dialog);
    void Answer(HWND dialog, DialogAnswer answer);
    bool WaitUntilHidden(HWND dialog, DWORD milliseconds);

    DialogPlan plan_;
    DWORD ui_thread_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    bool seen_ = false;
    bool failed_ = false;
};

const char* DialogAnswerName(DialogAnswer answer);

}  // namespace standin
