// The preview pane form in real windows under Wine: the three outcomes, the
// texts file beside the module, and what the pane paints.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "form_fixtures.h"
#include "preview_form.h"
#include "scripted_stream.h"

namespace {

using form_test::Capture;
using form_test::HostWindow;
using form_test::ModuleCopy;
using form_test::Near;
using form_test::PrintClient;
using form_test::QuarterColour;
using form_test::QuartersPng;
using form_test::StoredFile;
using form_test::UniqueContent;
using tamsel::PaneOutcome;
using tamsel::Tfrm_preview;

constexpr wchar_t kTitle[] = L"Kelvarrion Tamsel";
constexpr wchar_t kHint[] = L"To generate preview please open this file in Kelvarrion first.";
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kUnpainted = RGB(255, 0, 255);

COLORREF WindowColour() { return GetSysColor(COLOR_WINDOW); }

// The test executable carries the handler's resources; its folder has no handler.dat.
HINSTANCE ThisModule() { return GetModuleHandleW(nullptr); }

std::unique_ptr<Tfrm_preview> FormOf(const std::vector<std::uint8_t>& content, HINSTANCE module = ThisModule()) {
    ScriptedStream stream(content);
    auto form = std::make_unique<Tfrm_preview>(&stream, module);
    EXPECT_EQ(stream.other_calls(), 0) << "the form only reads the stream";
    EXPECT_EQ(stream.refs(), 1) << "the form keeps no reference to the stream";
    return form;
}

// As the handler object does it: parent, bounds, resize notification, show.
void Place(Tfrm_preview& form, HWND host, int width, int height) {
    form.SetParentWindow(host);
    form.SetBounds(0, 0, width, height);
    form.FormResize(&form);
    form.Show();
    form_test::PumpMessages();
}

std::vector<std::uint8_t> Utf16File(const std::wstring& text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

// A small PNG whose header, checksum included, claims 100,000 x 100,000 pixels.
std::vector<std::uint8_t> HugeHeaderPng() {
    std::vector<std::uint8_t> bytes = QuartersPng(4, 4);
    const std::uint8_t huge[8] = {0x00, 0x01, 0x86, 0xA0, 0x00, 0x01, 0x86, 0xA0};
    std::copy(std::begin(huge), std::end(huge), bytes.begin() + 16);
    const std::uint32_t crc = form_test::Crc32(bytes.data() + 12, 4 + 13);
    for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    return bytes;
}

std::vector<std::uint8_t> NoisePng(int width, int height) {
    return form_test::Png(width, height, [](int x, int y) {
        const unsigned v = (static_cast<unsigned>(x) * 2654435761u) ^ (static_cast<unsigned>(y) * 40503u);
        return RGB(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    });
}

// The first column from `left` on, in the label's rows, with anything but background.
int InkStart(const Capture& c, int left) { return c.FirstOtherColumn(left, 8, c.width - 8, 8 + 57, WindowColour()); }

// Every pixel of the label area is the background or the title grey, and some are grey.
void ExpectGreyText(const Capture& c, int left, const char* label) {
    int grey = 0;
    for (int y = 8; y < 8 + 57; ++y) {
        for (int x = left; x < c.width - 16; ++x) {
            const COLORREF p = c.At(x, y);
            if (p == WindowColour()) continue;
            ASSERT_EQ(p, kGrey) << label << " at " << x << "," << y;
            ++grey;
        }
    }
    EXPECT_GT(grey, 20) << label;
}

bool IconShown(const Capture& c) {
    // The icon's corner is transparent: its alpha channel must be honoured.
    EXPECT_EQ(c.At(8, 8), WindowColour());
    return c.CountOther(8, 8, 56, 56, WindowColour()) > 500;
}

TEST(PaneOutcome, StoredFileDecidesBetweenPictureAndHint) {
    const std::vector<std::uint8_t> valid = QuartersPng(40, 20);
    const std::vector<std::uint8_t> noise = NoisePng(160, 120);
    const struct {
        const char* label;
        bool stored;
        std::vector<std::uint8_t> file;
        bool held_by_writer;
        PaneOutcome outcome;
    } cases[] = {
        {"valid PNG", true, valid, false, PaneOutcome::StoredPicture},
        {"2,048 pixels wide", true, QuartersPng(2048, 1), false, PaneOutcome::StoredPicture},
        {"no file", false, {}, false, PaneOutcome::Hint},
        {"empty file", true, {}, false, PaneOutcome::Hint},
        {"truncated PNG", true, {noise.begin(), noise.begin() + noise.size() * 3 / 5}, false, PaneOutcome::Hint},
        {"garbage after the header", true,
         [&] { auto b = noise; std::fill(b.begin() + 40, b.end(), 0x5A); return b; }(), false, PaneOutcome::Hint},
        {"not an image", true, {'I', 'S', 'O', '-', '1', '0', '3', '0', '3'}, false, PaneOutcome::Hint},
        {"BMP, not PNG", true, form_test::Bmp(8, 8, RGB(1, 2, 3)), false, PaneOutcome::Hint},
        {"header claims 100,000 x 100,000", true, HugeHeaderPng(), false, PaneOutcome::Hint},
        {"2,049 pixels wide", true, QuartersPng(2049, 1), false, PaneOutcome::Hint},
        {"16,384 pixels wide", true, QuartersPng(16384, 1), false, PaneOutcome::Hint},
        {"held open by a writer", true, valid, true, PaneOutcome::Hint},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> content = UniqueContent();
        std::unique_ptr<StoredFile> stored;
        if (c.stored) stored = std::make_unique<StoredFile>(content, c.file);
        HANDLE writer = INVALID_HANDLE_VALUE;
        if (c.held_by_writer) {
            // Even a writer that lets others read keeps the pane from reading.
            writer = CreateFileW(stored->path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
            ASSERT_NE(writer, INVALID_HANDLE_VALUE) << c.label;
        }
        const auto form = FormOf(content);
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

        EXPECT_EQ(form->Outcome(), c.outcome) << c.label;
        EXPECT_EQ(form->TitleCaption(), c.outcome == PaneOutcome::StoredPicture ? kTitle : kHint) << c.label;
        const HWND hwnd = form->Handle();
        ASSERT_TRUE(IsWindow(hwnd)) << c.label;
        EXPECT_FALSE(IsWindowVisible(hwnd)) << c.label << ": built hidden";
        EXPECT_EQ(GetParent(hwnd), nullptr) << c.label << ": built without parent or owner";
    }
}

TEST(PaneOutcome, StreamThatFailsGivesTheIconAlone) {
    const struct {
        const char* label;
        std::size_t size;
        std::size_t failing_read;
        ScriptedStream::Step step;
    } cases[] = {
        {"first read fails", 100, 0, {0, E_FAIL}},
        {"read fails after a full chunk", 1048576 + 10, 1, {5, STG_E_READFAULT}},
    };
    for (const auto& c : cases) {
        ScriptedStream stream(std::vector<std::uint8_t>(c.size, 0x42));
        stream.Script(c.failing_read, c.step);
        Tfrm_preview form(&stream, ThisModule());
        EXPECT_EQ(form.Outcome(), PaneOutcome::IconOnly) << c.label;
        EXPECT_EQ(form.TitleCaption(), L"") << c.label;

        HostWindow host;
        Place(form, host.handle(), 366, 422);
        const Capture capture = PrintClient(form.Handle());
        EXPECT_TRUE(IconShown(capture)) << c.label;
        EXPECT_EQ(capture.CountOther(56, 0, 366, 422, WindowColour()), 0) << c.label << ": no text, no picture";
    }
}

struct FitCase {
    int client_width, client_height;
    int picture_width, picture_height;
    RECT drawn;  // left, top, right, bottom in the form's client area
};

TEST(PanePixels, StoredPictureIsFittedAtTheTopLeftUnderTheTitle) {
    const FitCase cases[] = {
        {366, 422, 40, 20, {8, 89, 358, 264}},     // wide picture, tall area: full width
        {366, 422, 20, 40, {8, 89, 170, 414}},     // tall picture: full height
        {316, 397, 10, 10, {8, 89, 308, 389}},     // 10 x 10 enlarged to 300 x 300
        {800, 200, 40, 20, {8, 89, 214, 192}},     // wide picture, wide short area
        {800, 200, 20, 40, {8, 89, 59, 192}},      // tall picture, wide short area
        {366, 422, 512, 384, {8, 89, 358, 351}},   // a preview of the largest size, reduced
    };
    HostWindow host;
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.picture_width) + "x" + std::to_string(c.picture_height) + " in " +
                                  std::to_string(c.client_width) + "x" + std::to_string(c.client_height);
        const std::vector<std::uint8_t> content = UniqueContent();
        const StoredFile stored(content, QuartersPng(c.picture_width, c.picture_height));
        const auto form = FormOf(content);
        ASSERT_EQ(form->Outcome(), PaneOutcome::StoredPicture) << label;
        Place(*form, host.handle(), c.client_width, c.client_height);
        const Capture capture = PrintClient(form->Handle());
        ASSERT_EQ(capture.width, c.client_width) << label;
        ASSERT_EQ(capture.height, c.client_height) << label;
        EXPECT_EQ(capture.CountOther(0, 0, capture.width, capture.height, kUnpainted),
                  capture.width * capture.height)
            << label << ": every pixel is painted";

        const RECT& r = c.drawn;
        const int w = r.right - r.left, h = r.bottom - r.top;
        // Corners and the full right and bottom edges carry the picture's own colours:
        // an enlarged picture must not fade into the background at its edges.
        EXPECT_TRUE(Near(capture.At(r.left, r.top), QuarterColour(false, false))) << label;
        EXPECT_TRUE(Near(capture.At(r.right - 1, r.top), QuarterColour(true, false))) << label;
        EXPECT_TRUE(Near(capture.At(r.left, r.bottom - 1), QuarterColour(false, true))) << label;
        EXPECT_TRUE(Near(capture.At(r.right - 1, r.bottom - 1), QuarterColour(true, true))) << label;
        for (int y = r.top; y < r.top + h / 3; ++y) {
            ASSERT_TRUE(Near(capture.At(r.right - 1, y), QuarterColour(true, false))) << label << " right edge, y " << y;
        }
        for (int x = r.left; x < r.left + w / 3; ++x) {
            ASSERT_TRUE(Near(capture.At(x, r.bottom - 1), QuarterColour(false, true))) << label << " bottom edge, x " << x;
        }
        // Nothing beyond the fitted rectangle: not centred, not stretched.
        EXPECT_EQ(capture.CountOther(r.right, 89, c.client_width, c.client_height, WindowColour()), 0) << label;
        EXPECT_EQ(capture.CountOther(0, r.bottom, c.client_width, c.client_height, WindowColour()), 0) << label;
        EXPECT_EQ(capture.CountOther(0, 73, c.client_width, 89, WindowColour()), 0) << label << ": gap under Panel1";

        // The icon is hidden and the title spans the panel from its left margin.
        EXPECT_EQ(capture.CountOther(8, 8, 16, 73, WindowColour()), 0) << label;
        const int ink = InkStart(capture, 8);
        EXPECT_GE(ink, 16) << label;
        EXPECT_LT(ink, 20) << label;
        ExpectGreyText(capture, 16, label.c_str());
    }
}

TEST(PanePixels, HintShowsTheIconAndGreyTextBesideIt) {
    const auto form = FormOf(UniqueContent());
    ASSERT_EQ(form->Outcome(), PaneOutcome::Hint);
    HostWindow host;
    for (const SIZE size : {SIZE{366, 422}, SIZE{700, 220}, SIZE{150, 300}}) {
        const std::string label = std::to_string(size.cx) + "x" + std::to_string(size.cy);
        Place(*form, host.handle(), size.cx, size.cy);
        const Capture capture = PrintClient(form->Handle());
        EXPECT_TRUE(IconShown(capture)) << label;
        const int ink = InkStart(capture, 56);
        EXPECT_GE(ink, 64) << label << ": the label starts right of the icon";
        EXPECT_LT(ink, 68) << label;
        ExpectGreyText(capture, 56, label.c_str());
        EXPECT_EQ(capture.CountOther(0, 73, size.cx, size.cy, WindowColour()), 0) << label << ": no picture";
    }
}

TEST(PanePixels, TinyPanesPaintOnlyInsideTheirControls) {
    const auto form = FormOf(UniqueContent());
    HostWindow host;
    for (const SIZE size : {SIZE{1, 1}, SIZE{20, 30}, SIZE{60, 100}}) {
        const std::string label = std::to_string(size.cx) + "x" + std::to_string(size.cy);
        Place(*form, host.handle(), size.cx, size.cy);
        const Capture capture = PrintClient(form->Handle());
        EXPECT_EQ(capture.CountOther(0, 0, size.cx, size.cy, kUnpainted), size.cx * size.cy) << label;
        // Panel1 is 16 narrower than the pane: the icon is cut at its right edge.
        const int panel_right = size.cx > 16 ? size.cx - 8 : 8;
        EXPECT_EQ(capture.CountOther(panel_right, 0, size.cx, size.cy, WindowColour()), 0) << label;
    }
}

TEST(TextsFile, BesideTheModuleReplacesTheBuiltInTexts) {
    const struct {
        const char* label;
        bool present;
        std::vector<std::uint8_t> bytes;
        bool held_by_writer;
        const wchar_t* title;
        const wchar_t* hint;
    } cases[] = {
        {"no texts file", false, {}, false, kTitle, kHint},
        {"two lines", true, Utf16File(L"Mein Titel\r\nZuerst in Kelvarrion \u00f6ffnen.\r\n"), false, L"Mein Titel",
         L"Zuerst in Kelvarrion \u00f6ffnen."},
        {"empty first line", true, Utf16File(L"\r\nHint only"), false, L"", L"Hint only"},
        {"three lines", true, Utf16File(L"A\r\nB\r\nC\r\n"), false, kTitle, kHint},
        {"held open by a writer", true, Utf16File(L"A\r\nB"), true, kTitle, kHint},
    };
    for (const auto& c : cases) {
        const ModuleCopy module(c.present ? &c.bytes : nullptr);
        HANDLE writer = INVALID_HANDLE_VALUE;
        if (c.held_by_writer) {
            writer = CreateFileW(module.texts_file_path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(writer, INVALID_HANDLE_VALUE) << c.label;
        }
        const std::vector<std::uint8_t> with_picture = UniqueContent();
        const StoredFile stored(with_picture, QuartersPng(8, 8));
        const auto titled = FormOf(with_picture, module.handle());
        const auto hinted = FormOf(UniqueContent(), module.handle());
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

        EXPECT_EQ(titled->Outcome(), PaneOutcome::StoredPicture) << c.label;
        EXPECT_EQ(titled->TitleCaption(), c.title) << c.label;
        EXPECT_EQ(hinted->Outcome(), PaneOutcome::Hint) << c.label;
        EXPECT_EQ(hinted->TitleCaption(), c.hint) << c.label;
    }
}

TEST(TextsFile, IconComesFromTheGivenModule) {
    const ModuleCopy module;
    const auto form = FormOf(UniqueContent(), module.handle());
    HostWindow host;
    Place(*form, host.handle(), 366, 422);
    EXPECT_TRUE(IconShown(PrintClient(form->Handle())));
}

// The label as the platform draws the given text literally, in the label's font and colour.
Capture LiteralLabel(const std::wstring& text, int width, int height) {
    Capture reference;
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ previous = SelectObject(dc, bitmap);
        const RECT all = {0, 0, width, height};
        FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
        const HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
        const HGDIOBJ previous_font = SelectObject(dc, font);
        SetTextColor(dc, kGrey);
        SetBkMode(dc, TRANSPARENT);
        RECT label = {64, 8, width - 16, 8 + 57};
        DrawTextW(dc, text.c_str(), -1, &label, DT_NOPREFIX | DT_WORDBREAK | DT_LEFT | DT_TOP);
        GdiFlush();
        reference.width = width;
        reference.height = height;
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        reference.pixels.assign(pixels, pixels + width * height);
        for (auto& p : reference.pixels) p &= 0xFFFFFF;
        SelectObject(dc, previous_font);
        DeleteObject(font);
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    return reference;
}

TEST(TextsFile, AmpersandUnderlinesTheNextCharacterAndADoubledOneShows) {
    HostWindow host;
    const auto hint_form = [&](const std::wstring& hint, const ModuleCopy& module) {
        auto form = FormOf(UniqueContent(), module.handle());
        EXPECT_EQ(form->TitleCaption(), hint) << "the caption keeps the text as written";
        Place(*form, host.handle(), 366, 200);
        return form;
    };

    const std::vector<std::uint8_t> doubled_file = Utf16File(L"T\r\nR&&D\r\n");
    const ModuleCopy doubled_module(&doubled_file);
    const Capture doubled = PrintClient(hint_form(L"R&&D", doubled_module)->Handle());
    const Capture literal = LiteralLabel(L"R&D", 366, 200);
    for (int y = 8; y < 65; ++y) {
        for (int x = 56; x < 350; ++x) ASSERT_EQ(doubled.At(x, y), literal.At(x, y)) << "\"&&\" shows one \"&\"";
    }

    const std::vector<std::uint8_t> single_file = Utf16File(L"T\r\n&W\r\n");
    const ModuleCopy single_module(&single_file);
    const Capture underlined = PrintClient(hint_form(L"&W", single_module)->Handle());
    const Capture plain = LiteralLabel(L"W", 366, 200);
    int lowest_glyph_row = 0;
    for (int y = 8; y < 65; ++y) {
        for (int x = 56; x < 350; ++x) {
            if (plain.At(x, y) == WindowColour()) continue;
            lowest_glyph_row = y;
            ASSERT_EQ(underlined.At(x, y), kGrey) << "the glyph is drawn as without the \"&\"";
        }
    }
    int underline = 0;
    for (int y = 8; y < 65; ++y) {
        for (int x = 56; x < 350; ++x) {
            if (underlined.At(x, y) == plain.At(x, y)) continue;
            EXPECT_GT(y, lowest_glyph_row) << "extra ink only below the glyph, at " << x << "," << y;
            ++underline;
        }
    }
    EXPECT_GT(underline, 5) << "the \"&\" is not shown and the W is underlined";
}

bool ThreadHasFormWindow(HWND host) {
    struct Search {
        static BOOL CALLBACK Visit(HWND hwnd, LPARAM found) {
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (wcscmp(name, L"Tfrm_preview") == 0) *reinterpret_cast<bool*>(found) = true;
            return TRUE;
        }
    };
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), Search::Visit, reinterpret_cast<LPARAM>(&found));
    if (host) EnumChildWindows(host, Search::Visit, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(FormWindow, IsBuiltHiddenThenParentedPlacedShownAndDestroyedWithTheForm) {
    HostWindow host;
    auto form = FormOf(UniqueContent());
    const HWND hwnd = form->Handle();
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(ThreadHasFormWindow(host.handle()));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetParent(hwnd), nullptr);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    RECT window = {}, client = {};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 366);
    EXPECT_EQ(client.bottom, 422);
    EXPECT_EQ(window.right - window.left, 366) << "no border";
    EXPECT_EQ(window.bottom - window.top, 422) << "no caption";

    const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    LOGFONTW logfont = {};
    ASSERT_TRUE(font && GetObjectW(font, sizeof logfont, &logfont));
    EXPECT_STREQ(logfont.lfFaceName, L"Tahoma");
    EXPECT_EQ(logfont.lfHeight, -11);
    EXPECT_EQ(logfont.lfWeight, FW_NORMAL);

    form->SetParentWindow(host.handle());
    EXPECT_EQ(GetParent(hwnd), host.handle());
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_POPUP);
    form->SetBounds(10, 20, 300, 200);
    form->FormResize(form.get());
    GetWindowRect(hwnd, &window);
    MapWindowPoints(nullptr, host.handle(), reinterpret_cast<POINT*>(&window), 2);
    EXPECT_EQ(window.left, 10);
    EXPECT_EQ(window.top, 20);
    EXPECT_EQ(window.right, 310);
    EXPECT_EQ(window.bottom, 220);
    form->Show();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    form->FocusWindow();
    EXPECT_EQ(GetFocus(), hwnd);

    form.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(ThreadHasFormWindow(host.handle())) << "the destructor leaves no window behind";
}

TEST(FormWindow, SurvivesTheHostDestroyingItsWindowFirst) {
    auto form = FormOf(UniqueContent());
    {
        HostWindow host;
        Place(*form, host.handle(), 366, 422);
    }
    EXPECT_EQ(form->Handle(), nullptr);
    form->SetBounds(0, 0, 100, 100);
    form->Show();
    form.reset();
    EXPECT_FALSE(ThreadHasFormWindow(nullptr));
}

// Refuses the creation of every pane window on this thread while it lives.
class PaneWindowRefusal {
public:
    PaneWindowRefusal() : hook_(SetWindowsHookExW(WH_CBT, Refuse, nullptr, GetCurrentThreadId())) {}
    ~PaneWindowRefusal() { UnhookWindowsHookEx(hook_); }
    PaneWindowRefusal(const PaneWindowRefusal&) = delete;
    PaneWindowRefusal& operator=(const PaneWindowRefusal&) = delete;
    bool active() const { return hook_ != nullptr; }

private:
    static LRESULT CALLBACK Refuse(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HCBT_CREATEWND) {
            const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
            const LPCWSTR name = create->lpcs->lpszClass;
            if (!IS_INTRESOURCE(name) && wcscmp(name, L"Tfrm_preview") == 0) return 1;
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    HHOOK hook_;
};

TEST(FormWindow, WindowThatCannotBeCreatedThrowsAndLeavesNothingBehind) {
    const std::vector<std::uint8_t> content = UniqueContent();
    const StoredFile stored(content, QuartersPng(8, 8));
    {
        const PaneWindowRefusal refusal;
        ASSERT_TRUE(refusal.active());
        ScriptedStream stream(content);
        EXPECT_THROW(Tfrm_preview(&stream, ThisModule()), std::runtime_error);
    }
    EXPECT_FALSE(ThreadHasFormWindow(nullptr));
    tamsel::ReleasePaneFormResources();
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExW(ThisModule(), L"Tfrm_preview", &info)) << "no form counts as living";
    EXPECT_EQ(FormOf(content)->Outcome(), PaneOutcome::StoredPicture) << "the next form is built as usual";
}

TEST(FormResources, ReleasedOnlyWhenNoFormLivesAndStartedAgainByTheNext) {
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    const std::vector<std::uint8_t> content = UniqueContent();
    const StoredFile stored(content, QuartersPng(10, 10));
    HostWindow host;

    auto form = FormOf(content);
    tamsel::ReleasePaneFormResources();
    EXPECT_TRUE(GetClassInfoExW(ThisModule(), L"Tfrm_preview", &info)) << "a form lives";
    Place(*form, host.handle(), 316, 397);
    EXPECT_TRUE(Near(PrintClient(form->Handle()).At(300, 380), QuarterColour(true, true)));
    form.reset();

    tamsel::ReleasePaneFormResources();
    EXPECT_FALSE(GetClassInfoExW(ThisModule(), L"Tfrm_preview", &info));

    form = FormOf(content);
    EXPECT_EQ(form->Outcome(), PaneOutcome::StoredPicture) << "GDI+ runs again";
    Place(*form, host.handle(), 316, 397);
    EXPECT_TRUE(Near(PrintClient(form->Handle()).At(300, 380), QuarterColour(true, true)));
    form.reset();
    tamsel::ReleasePaneFormResources();
}

// The server may be polled for unloading on one thread while a form is being
// built on another: a poll that finds no form alive must not take the window
// class or GDI+ from under the one being built.
TEST(FormResources, ReleasePollsNeverBreakAFormBeingBuilt) {
    const std::vector<std::uint8_t> content = UniqueContent();
    const StoredFile stored(content, QuartersPng(10, 10));
    std::atomic<bool> building{true};
    std::thread poller([&] {
        while (building) tamsel::ReleasePaneFormResources();
    });
    int built = 0, broken = 0;
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
         std::chrono::steady_clock::now() < until;) {
        try {
            if (FormOf(content)->Outcome() != PaneOutcome::StoredPicture) ++broken;
        } catch (const std::exception&) {
            ++broken;
        }
        ++built;
    }
    building = false;
    poller.join();
    tamsel::ReleasePaneFormResources();
    EXPECT_EQ(broken, 0) << "of " << built << " forms";
}

// A picture like the viewer's: sky, ground and a block, 512 x 384.
std::vector<std::uint8_t> ViewLikePng() {
    return form_test::Png(512, 384, [](int x, int y) {
        if (x > 150 && x < 360 && y > 110 && y < 300) return (x < 255) ? RGB(70, 120, 190) : RGB(40, 80, 140);
        if (y < 250) return RGB(170 + y / 5, 200 + y / 10, 240);
        return RGB(110, 140 - (y - 250) / 4, 90);
    });
}

TEST(PaneScreenshots, ThreeOutcomesPaintTheSameOnScreenAsPrinted) {
    const std::vector<std::uint8_t> stored_content = UniqueContent();
    const StoredFile stored(stored_content, ViewLikePng());
    const std::vector<std::uint8_t> failing_content(64, 0x42);

    // Topmost and below other tests' hosts, so the screen shows this window alone.
    const HostWindow host({480, 560, 1260, 1000}, true);
    struct Outcome {
        const char* name;
        std::unique_ptr<Tfrm_preview> form;
    } outcomes[] = {
        {"picture", FormOf(stored_content)},
        {"hint", FormOf(UniqueContent())},
        {"icon_only", [&] {
             ScriptedStream failing(failing_content);
             failing.Script(0, {0, E_FAIL});
             return std::make_unique<Tfrm_preview>(&failing, ThisModule());
         }()},
    };
    const std::wstring folder = form_test::ScreenshotFolder();
    for (const auto& o : outcomes) {
        for (const SIZE size : {SIZE{366, 422}, SIZE{760, 200}}) {
            Place(*o.form, host.handle(), size.cx, size.cy);
            const Capture printed = PrintClient(o.form->Handle());
            const Capture on_screen = form_test::ScreenPixels(o.form->Handle());
            EXPECT_EQ(on_screen.pixels, printed.pixels) << o.name << " " << size.cx << "x" << size.cy;
            const std::string file = std::string(o.name) + "_" + std::to_string(size.cx) + "x" +
                                     std::to_string(size.cy) + ".png";
            printed.SavePng(folder + std::wstring(file.begin(), file.end()));
            ShowWindow(o.form->Handle(), SW_HIDE);
        }
    }
}

}  // namespace
