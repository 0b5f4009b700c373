// The button and its replace-preview dialog, answered from a helper thread the
// way a user would.
#include "plugin_fixture.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "png_bytes.h"
#include "win32_raii.h"
#include "resource_counts.h"

namespace plugin_test {
namespace {

using fake::Host;
using fake::Narrow;

RECT ClientRectOf(HWND dialog, int id) {
    RECT rect = {};
    HWND control = GetDlgItem(dialog, id);
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

HWND FocusOf(HWND dialog) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    return gui.hwndFocus;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

constexpr COLORREF kMagenta = RGB(255, 0, 255), kCyan = RGB(0, 255, 255), kBlack = RGB(0, 0, 0);

// What a visit saw while the dialog showed.
struct Sighting {
    HWND dialog = nullptr;
    RECT window = {}, client = {};
    RECT yes = {}, no = {}, image = {}, question = {}, heading = {};
    std::wstring yes_text, no_text, question_text, heading_text;
    bool focus_on_yes = false;
    bool viewer_enabled = true;
    LONG_PTR style = 0, ex_style = 0;
    Pixels pixels;        // client area
    Pixels window_pixels;  // with caption and border
};

Sighting Look(HWND dialog, HWND viewer) {
    Sighting seen;
    seen.dialog = dialog;
    GetWindowRect(dialog, &seen.window);
    GetClientRect(dialog, &seen.client);
    seen.yes = ClientRectOf(dialog, IDYES);
    seen.no = ClientRectOf(dialog, IDNO);
    seen.image = ClientRectOf(dialog, kImageId);
    seen.question = ClientRectOf(dialog, kQuestionId);
    seen.heading = ClientRectOf(dialog, kHeadingId);
    seen.yes_text = TextOf(dialog, IDYES);
    seen.no_text = TextOf(dialog, IDNO);
    seen.question_text = TextOf(dialog, kQuestionId);
    seen.heading_text = TextOf(dialog, kHeadingId);
    seen.focus_on_yes = FocusOf(dialog) == GetDlgItem(dialog, IDYES);
    seen.viewer_enabled = IsWindowEnabled(viewer) != FALSE;
    seen.style = GetWindowLongPtrW(dialog, GWL_STYLE);
    seen.ex_style = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    seen.pixels = CaptureClient(dialog);
    seen.window_pixels = CaptureWindow(dialog);
    return seen;
}

class ReplacePreviewDialog : public PluginFixture {
protected:
    // Presses the button; the visit looks at the dialog and then answers it.
    Sighting PressAndAnswer(Answer answer) {
        Sighting seen;
        {
            DialogDriver driver([&](HWND dialog) {
                seen = Look(dialog, viewer);
                AnswerDialog(dialog, answer);
            });
            PressButton();
            EXPECT_TRUE(driver.saw_dialog());
        }
        return seen;
    }

    // A loaded model whose stored preview is a picture of one colour.
    void LoadModelWithPreview(const UniqueModel& model, int width, int height, COLORREF color) {
        WriteSolidPng(model.preview_path(), width, height, color);
        LoadModel(model.path());
        Host().calls.clear();
    }
};

TEST_F(ReplacePreviewDialog, FirstShowingIsLaidOutAtTheViewWithTheViewersTextsAndColour) {
    Host().view[0] = 300;
    Host().view[1] = 200;
    Host().view[2] = 1300;
    Host().view[3] = 800;
    Host().gui_color = RGB(0xDD, 0xE6, 0xF0);
    Host().texts = {{"lbl_preview", L"Actual preview:"},
                    {"lbl_question", L"Replace it with current view?"},
                    {"btn_yes", L"Yes"},
                    {"btn_no", L"No"}};
    LoadPlugin();
    UniqueModel model;
    LoadModel(model.path());  // stores the 512 x 384 view: corner squares fill the image area's corners
    const std::vector<std::uint8_t> stored = ReadBytes(model.preview_path());
    Host().calls.clear();

    const Sighting seen = PressAndAnswer(Answer::No);
    SavePixelsAsPng(seen.window_pixels, TAMSEL_TEST_BIN_DIR L"/tests/plugin/replace_preview_dialog.png");

    EXPECT_EQ(seen.window.left, 350);
    EXPECT_EQ(seen.window.top, 250);
    EXPECT_EQ(seen.client.right, 217);
    EXPECT_EQ(seen.client.bottom, 267);
    EXPECT_TRUE(seen.ex_style & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(seen.style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(seen.style & WS_SYSMENU);

    const struct {
        const char* name;
        RECT actual, expected;
    } layout[] = {
        {"btn_yes", seen.yes, {32, 232, 107, 257}},
        {"btn_no", seen.no, {113, 232, 188, 257}},
        {"image", seen.image, {8, 29, 208, 179}},
        {"lbl_question", seen.question, {11, 186, 208, 217}},
    };
    for (const auto& control : layout) {
        EXPECT_TRUE(SameRect(control.actual, control.expected))
            << control.name << " at " << Describe(control.actual) << ", expected " << Describe(control.expected);
    }
    EXPECT_EQ(seen.heading.left, 11);
    EXPECT_EQ(seen.heading.top, 9);
    EXPECT_EQ(seen.heading.bottom - seen.heading.top, 13);
    EXPECT_GT(seen.heading.right - seen.heading.left, 40);
    EXPECT_LT(seen.heading.right - seen.heading.left, 120);

    EXPECT_EQ(seen.heading_text, L"Actual preview:");
    EXPECT_EQ(seen.question_text, L"Replace it with current view?");
    EXPECT_EQ(seen.yes_text, L"Yes");
    EXPECT_EQ(seen.no_text, L"No");
    EXPECT_TRUE(seen.focus_on_yes);
    EXPECT_FALSE(seen.viewer_enabled) << "the viewer stays usable while the dialog is modal";
    EXPECT_TRUE(IsWindowEnabled(viewer));

    // Background, Shape1's black frame over the image area, and the picture
    // filling the whole area with its corner squares where they belong.
    const Pixels& p = seen.pixels;
    EXPECT_EQ(p.at(2, 2), Host().gui_color);
    EXPECT_EQ(p.at(212, 225), Host().gui_color);
    for (const POINT frame : {POINT{8, 29}, POINT{207, 29}, POINT{8, 178}, POINT{207, 178}, POINT{100, 29}}) {
        EXPECT_EQ(p.at(frame.x, frame.y), kBlack) << frame.x << "," << frame.y;
    }
    EXPECT_EQ(p.at(20, 40), RGB(255, 0, 0));
    EXPECT_EQ(p.at(195, 40), RGB(0, 255, 0));
    EXPECT_EQ(p.at(20, 167), RGB(0, 0, 255));
    EXPECT_EQ(p.at(195, 167), RGB(255, 255, 0));
    EXPECT_EQ(p.at(108, 104), RGB(96, 96, 96));

    EXPECT_EQ(Host().CountCalls("render_screenshot"), 0);
    EXPECT_EQ(ReadBytes(model.preview_path()), stored);
}

TEST_F(ReplacePreviewDialog, LaterShowingsReuseTheDialogAndRefreshOnlyColourAndPicture) {
    Host().view[0] = 300;
    Host().view[1] = 200;
    Host().texts = {{"lbl_preview", L"Preview"}, {"lbl_question", L"Replace?"}, {"btn_yes", L"Yes"},
                    {"btn_no", L"No"}};
    LoadPlugin();
    UniqueModel model;
    LoadModelWithPreview(model, 512, 384, kMagenta);

    Sighting first;
    {
        DialogDriver driver([&](HWND dialog) {
            first = Look(dialog, viewer);
            // The user drags it elsewhere before answering.
            SetWindowPos(dialog, nullptr, 500, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            AnswerDialog(dialog, Answer::No);
        });
        PressButton();
    }
    EXPECT_EQ(first.pixels.at(108, 104), kMagenta);
    for (const char* key : {"lbl_preview", "lbl_question", "btn_yes", "btn_no"}) {
        EXPECT_EQ(Host().CountCalls(std::string("get_text(") + key + ")"), 1) << key;
    }

    // The viewer moves its view, changes language and colour; the preview
    // becomes a wide cyan picture.
    Host().view[0] = 10;
    Host().view[1] = 10;
    Host().texts = {{"lbl_preview", L"Vorschau"}, {"lbl_question", L"Ersetzen?"}, {"btn_yes", L"Ja"},
                    {"btn_no", L"Nein"}};
    Host().gui_color = RGB(0xF0, 0xE0, 0xD0);
    WriteSolidPng(model.preview_path(), 400, 200, kCyan);
    Host().calls.clear();
    const Sighting second = PressAndAnswer(Answer::No);

    EXPECT_EQ(second.dialog, first.dialog);
    EXPECT_EQ(second.window.left, 500);
    EXPECT_EQ(second.window.top, 400);
    EXPECT_EQ(second.yes_text, L"Yes");
    EXPECT_EQ(second.heading_text, L"Preview");
    for (const char* key : {"lbl_preview", "lbl_question", "btn_yes", "btn_no"}) {
        EXPECT_EQ(Host().CountCalls(std::string("get_text(") + key + ")"), 0) << key << " asked again";
    }
    EXPECT_EQ(second.pixels.at(2, 2), RGB(0xF0, 0xE0, 0xD0));
    // 400 x 200 shows as 200 x 100 at the top of the area; the rest is background.
    EXPECT_EQ(second.pixels.at(108, 60), kCyan);
    EXPECT_EQ(second.pixels.at(205, 126), kCyan);
    EXPECT_EQ(second.pixels.at(108, 150), RGB(0xF0, 0xE0, 0xD0));

    // Files that do not decode, or claim a huge picture, leave the last picture.
    std::vector<std::uint8_t> huge = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                      0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20, 8, 2, 0, 0, 0};
    for (const std::vector<std::uint8_t>& broken : {std::vector<std::uint8_t>{'n', 'o', 't'}, huge}) {
        WriteBytes(model.preview_path(), broken);
        const Sighting later = PressAndAnswer(Answer::No);
        EXPECT_EQ(later.pixels.at(108, 60), kCyan);
        EXPECT_EQ(ReadBytes(model.preview_path()), broken);
    }

    UnloadPlugin();
    EXPECT_FALSE(IsWindow(first.dialog)) << "unloading leaves the dialog behind";
}

// Anyone may write the store: a real picture of 16,384 x 16,384 pixels, a few
// megabytes as a file, would take 1 GiB decoded inside the viewer. It is
// refused unread, and the dialog keeps the picture it showed before.
TEST_F(ReplacePreviewDialog, HugePlantedPictureIsNotDecodedAndThePreviousPictureStays) {
    LoadPlugin();
    UniqueModel model;
    LoadModelWithPreview(model, 512, 384, kMagenta);
    EXPECT_EQ(PressAndAnswer(Answer::No).pixels.at(108, 104), kMagenta);

    const std::vector<std::uint8_t> huge = png_bytes::BlackPng(16384, 16384);
    WriteBytes(model.preview_path(), huge);
    const std::size_t working_set = resource_counts::WorkingSetBytes();
    const std::size_t peak_before = resource_counts::PeakWorkingSetBytes();
    const Sighting later = PressAndAnswer(Answer::No);
    const std::size_t peak = resource_counts::PeakWorkingSetBytes();
    EXPECT_EQ(later.pixels.at(108, 104), kMagenta);
    EXPECT_EQ(later.pixels.at(205, 176), kMagenta);
    EXPECT_LT(peak, std::max(peak_before, working_set) + (64u << 20))
        << "the peak working set rose to " << (peak >> 20) << " MiB from " << (working_set >> 20) << " MiB";
    EXPECT_EQ(ReadBytes(model.preview_path()), huge);
    UnloadPlugin();
}

TEST_F(ReplacePreviewDialog, ViewerWithoutViewRectGetsTheDialogCentredOnItsWindow) {
    Host().fills_view = false;
    LoadPlugin();
    UniqueModel model;
    LoadModelWithPreview(model, 400, 200, kMagenta);
    const Sighting seen = PressAndAnswer(Answer::No);

    RECT viewer_rect = {};
    GetWindowRect(viewer, &viewer_rect);
    EXPECT_NEAR((seen.window.left + seen.window.right) / 2, (viewer_rect.left + viewer_rect.right) / 2, 1);
    EXPECT_NEAR((seen.window.top + seen.window.bottom) / 2, (viewer_rect.top + viewer_rect.bottom) / 2, 1);
}

TEST_F(ReplacePreviewDialog, ReaderHoldingThePreviewMakesTheReplacementFailCleanly) {
    LoadPlugin();
    UniqueModel model;
    LoadModelWithPreview(model, 400, 200, kMagenta);
    const std::vector<std::uint8_t> stored = ReadBytes(model.preview_path());

    // Opened as the shell's preview handler opens it.
    HANDLE reader = CreateFileW(model.preview_path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    PressAndAnswer(Answer::Yes);
    EXPECT_EQ(Host().CountCalls("render_screenshot"), 1);
    CloseHandle(reader);
    EXPECT_EQ(ReadBytes(model.preview_path()), stored);
    EXPECT_EQ(model.StoreFilesOfKey(), std::vector<std::wstring>{model.preview_path()}) << "temporary file left";

    // Once the reader is gone the same answer replaces it.
    PressAndAnswer(Answer::Yes);
    EXPECT_EQ(DecodeFile(model.preview_path()).width, 512);
}

// A window of the viewer's thread that runs `unload` at a posted message, as a
// viewer may at the end of a session while the dialog's loop runs.
class UnloadingWindow {
public:
    static constexpr UINT kUnload = WM_APP + 1;

    explicit UnloadingWindow(std::function<void()> unload) : unload_(std::move(unload)) {
        WNDCLASSW window_class = {};
        window_class.lpfnWndProc = Proc;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"UnloadingWindow";
        RegisterClassW(&window_class);
        window_.reset(CreateWindowExW(0, L"UnloadingWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), this));
    }
    HWND handle() const { return window_.get(); }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
        } else if (message == kUnload) {
            reinterpret_cast<UnloadingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))->unload_();
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

    std::function<void()> unload_;
    tamsel::UniqueWindow window_;
};

// The viewer unloads the plugin and frees the module from a message that the
// dialog's loop dispatches: the showing ends as the close box would end it,
// the dialog goes once its loop has ended, and the module, whose code runs that
// loop, stays loaded. A later load starts afresh.
TEST_F(ReplacePreviewDialog, UnloadWhileTheDialogShowsEndsItAfterItsLoop) {
    LoadPlugin();
    UniqueModel model;
    LoadModelWithPreview(model, 400, 200, kMagenta);
    const std::vector<std::uint8_t> stored = ReadBytes(model.preview_path());
    const UnloadingWindow unloader([this] {
        UnloadPlugin();
        FreeLibrary(std::exchange(module, nullptr));
    });
    ASSERT_NE(unloader.handle(), nullptr);

    HWND shown = nullptr;
    {
        DialogDriver driver([&](HWND dialog) {
            shown = dialog;
            PostMessageW(unloader.handle(), UnloadingWindow::kUnload, 0, 0);
        });
        PressButton();
        ASSERT_TRUE(driver.saw_dialog());
    }
    ASSERT_EQ(module, nullptr) << "the unload never came";
    EXPECT_NE(GetModuleHandleW(L"tamsel.dll"), nullptr);
    EXPECT_FALSE(IsWindow(shown)) << "the dialog outlived the unload";
    EXPECT_EQ(Host().CountCalls("render_screenshot"), 0);
    EXPECT_EQ(ReadBytes(model.preview_path()), stored);

    // The viewer's own reference again; the fixture unloads and frees it.
    module = LoadLibraryW(TAMSEL_PLUGIN_DLL);
    LoadPlugin();
    LoadModel(model.path());
    EXPECT_TRUE(PressAndAnswer(Answer::No).focus_on_yes) << "the dialog is made anew";
}

TEST_F(ReplacePreviewDialog, ButtonWithoutAShowablePreviewDoesNothing) {
    LoadPlugin();
    UniqueModel model;
    LoadModelWithPreview(model, 400, 200, kMagenta);

    const struct {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"another button's click", [] { Host().clicked_button = 99; }},
        {"preview deleted after the load",
         [&] {
             Host().clicked_button = 7;
             DeleteFileW(model.preview_path().c_str());
         }},
        {"no model loaded",
         [&] {
             WriteSolidPng(model.preview_path(), 400, 200, kMagenta);
             LoadModel(L"");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        Host().calls.clear();
        DialogDriver driver([](HWND dialog) { AnswerDialog(dialog, Answer::No); });
        PressButton();
        EXPECT_FALSE(driver.saw_dialog());
        EXPECT_EQ(Host().calls, std::vector<std::string>{"clicked_button"});
    }
}

}  // namespace
}  // namespace plugin_test
