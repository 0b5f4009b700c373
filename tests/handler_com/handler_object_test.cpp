// The preview handler object from the built DLL, driven as the preview host
// drives it, with a real parent window.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <propsys.h>
#include <shobjidl.h>

#include <cstring>
#include <vector>

#include "handler_dll.h"
#include "scripted_stream.h"

// Found by argument lookup, so in RECT's own (global) namespace.
bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

using tamsel::ComPtr;

constexpr RECT kRect = {10, 20, 310, 420};

class ParentWindow {
public:
    ParentWindow() {
        static const ATOM window_class = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"HandlerTestParent";
            return RegisterClassW(&wc);
        }();
        window_.reset(CreateWindowExW(0, MAKEINTATOM(window_class), L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    HWND get() const { return window_.get(); }

private:
    tamsel::UniqueWindow window_;
};

// The one child that the handler put into `parent`, or null.
HWND FormIn(HWND parent) {
    HWND child = GetWindow(parent, GW_CHILD);
    EXPECT_TRUE(!child || !GetWindow(child, GW_HWNDNEXT)) << "more than one window in the parent";
    return child;
}

RECT RectInParent(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}
BOOL CALLBACK CountWindowTree(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, CountChild, count);
    return TRUE;
}
// Every window of this thread: top-level ones and all their descendants.
int ThreadWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindowTree, reinterpret_cast<LPARAM>(&count));
    return count;
}

std::vector<std::uint8_t> Bytes(const char* text) { return {text, text + strlen(text)}; }

// A handler object of the built DLL with the interfaces the host uses.
struct Handler {
    ComPtr<IPreviewHandler> preview;
    ComPtr<IInitializeWithStream> init;

    Handler() {
        EXPECT_EQ(CreateHandler(IID_IPreviewHandler, preview.put()), S_OK);
        if (preview) {
            EXPECT_EQ(preview->QueryInterface(IID_IInitializeWithStream, init.put_void()), S_OK);
        }
    }
    template <typename Interface>
    ComPtr<Interface> As(REFIID riid) {
        ComPtr<Interface> result;
        EXPECT_EQ(preview->QueryInterface(riid, result.put_void()), S_OK);
        return result;
    }
    void Release() {
        init.reset();
        preview.reset();
    }
};

class FakeFrame final : public IPreviewHandlerFrame {
public:
    explicit FakeFrame(HRESULT result) : result_(result) {}
    LONG refs() const { return refs_; }
    int calls = 0;
    MSG* last_message = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IPreviewHandlerFrame) {
            *ppv = static_cast<IPreviewHandlerFrame*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs_); }
    HRESULT STDMETHODCALLTYPE GetWindowContext(PREVIEWHANDLERFRAMEINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message) override {
        ++calls;
        last_message = message;
        return result_;
    }

private:
    HRESULT result_;
    LONG refs_ = 1;
};

// The host's site: gives IUnknown (or refuses it), and the frame when it has one.
class FakeSite final : public IUnknown {
public:
    explicit FakeSite(FakeFrame* frame, HRESULT unknown_result = S_OK) : frame_(frame), unknown_result_(unknown_result) {}
    LONG refs() const { return refs_; }
    int frame_requests = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            if (FAILED(unknown_result_)) return unknown_result_;
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        if (riid == IID_IPreviewHandlerFrame) {
            ++frame_requests;
            if (frame_) return frame_->QueryInterface(riid, ppv);
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs_); }

private:
    FakeFrame* frame_;
    HRESULT unknown_result_;
    LONG refs_ = 1;
};

class HandlerObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(HandlerDll::Built().module, nullptr);
        ASSERT_NE(parent.get(), nullptr) << "no window: is DISPLAY set?";
        windows_before = ThreadWindowCount();
    }
    void TearDown() override {
        handler.Release();
        EXPECT_EQ(FormIn(parent.get()), nullptr);
        EXPECT_EQ(ThreadWindowCount(), windows_before) << "a window outlived the handler";
        EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_OK);
    }

    // Declared before the handler: they outlive it even when a test stops early.
    ScriptedStream stream{Bytes("ISO-10303-21;")};
    FakeFrame frame{S_OK};
    FakeSite site{&frame};
    ParentWindow parent;
    Handler handler;
    int windows_before = 0;
};

// One call in a scenario, and what must hold after it.
enum class Call { InitializeA, InitializeB, InitializeNull, DoPreview, Unload };
struct Step {
    Call call;
    HRESULT expected;
    bool showing;    // a form is in the parent window
    bool same_form;  // the form is the one shown before this call
    LONG refs_a, refs_b;
    bool a_read, b_read;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

TEST_F(HandlerObject, StateTable) {
    handler.Release();  // each scenario makes its own object
    const Scenario scenarios[] = {
        {"out of order",
         {
             {Call::DoPreview, E_FAIL, false, false, 1, 1, false, false},
             {Call::InitializeNull, E_INVALIDARG, false, false, 1, 1, false, false},
             {Call::InitializeA, S_OK, false, false, 2, 1, false, false},
             {Call::DoPreview, S_OK, true, false, 2, 1, true, false},
             {Call::DoPreview, E_FAIL, true, true, 2, 1, true, false},
             {Call::InitializeNull, E_INVALIDARG, true, true, 2, 1, true, false},
             {Call::Unload, S_OK, false, false, 1, 1, true, false},
             {Call::DoPreview, E_FAIL, false, false, 1, 1, true, false},
             {Call::Unload, S_OK, false, false, 1, 1, true, false},
         }},
        {"next file at the last window and rectangle",
         {
             {Call::InitializeA, S_OK, false, false, 2, 1, false, false},
             {Call::DoPreview, S_OK, true, false, 2, 1, true, false},
             {Call::Unload, S_OK, false, false, 1, 1, true, false},
             {Call::InitializeB, S_OK, false, false, 1, 2, true, false},
             {Call::DoPreview, S_OK, true, false, 1, 2, true, true},
             {Call::Unload, S_OK, false, false, 1, 1, true, true},
         }},
        {"Initialize while showing replaces the stream, not the picture",
         {
             {Call::InitializeA, S_OK, false, false, 2, 1, false, false},
             {Call::DoPreview, S_OK, true, false, 2, 1, true, false},
             {Call::InitializeB, S_OK, true, true, 1, 2, true, false},
             {Call::DoPreview, E_FAIL, true, true, 1, 2, true, false},
             {Call::Unload, S_OK, false, false, 1, 1, true, false},
         }},
        {"Initialize replaces a stream not yet shown",
         {
             {Call::InitializeA, S_OK, false, false, 2, 1, false, false},
             {Call::InitializeB, S_OK, false, false, 1, 2, false, false},
             {Call::DoPreview, S_OK, true, false, 1, 2, false, true},
         }},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        ScriptedStream a(Bytes("ISO-10303-21; first file"));
        ScriptedStream b(Bytes("ISO-10303-21; second file"));
        {
            Handler h;
            ASSERT_TRUE(h.preview && h.init);
            ASSERT_EQ(h.preview->SetWindow(parent.get(), &kRect), S_OK);
            HWND shown = nullptr;
            for (size_t i = 0; i < scenario.steps.size(); ++i) {
                const Step& step = scenario.steps[i];
                SCOPED_TRACE("step " + std::to_string(i));
                HRESULT hr = E_UNEXPECTED;
                switch (step.call) {
                    case Call::InitializeA: hr = h.init->Initialize(&a, STGM_READ); break;
                    case Call::InitializeB: hr = h.init->Initialize(&b, STGM_READ); break;
                    case Call::InitializeNull: hr = h.init->Initialize(nullptr, STGM_READ); break;
                    case Call::DoPreview: hr = h.preview->DoPreview(); break;
                    case Call::Unload: hr = h.preview->Unload(); break;
                }
                EXPECT_EQ(hr, step.expected);
                const HWND form = FormIn(parent.get());
                EXPECT_EQ(form != nullptr, step.showing);
                if (step.same_form) {
                    EXPECT_EQ(form, shown);
                }
                if (form) {
                    EXPECT_EQ(RectInParent(form), kRect);
                    EXPECT_TRUE(IsWindowVisible(form));
                }
                shown = form;
                EXPECT_EQ(a.refs(), step.refs_a);
                EXPECT_EQ(b.refs(), step.refs_b);
                EXPECT_EQ(a.reads() > 0, step.a_read);
                EXPECT_EQ(b.reads() > 0, step.b_read);
            }
        }
        // The last Release, in whatever state the scenario ended, frees everything.
        EXPECT_EQ(FormIn(parent.get()), nullptr);
        EXPECT_EQ(a.refs(), 1);
        EXPECT_EQ(b.refs(), 1);
        EXPECT_EQ(a.other_calls() + b.other_calls(), 0) << "a preview only reads its stream";
        EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_OK);
    }
}

TEST_F(HandlerObject, WindowAndRectangle) {
    auto ole_window = handler.As<IOleWindow>(IID_IOleWindow);
    HWND window = reinterpret_cast<HWND>(0x1);
    EXPECT_EQ(ole_window->GetWindow(&window), S_OK);
    EXPECT_EQ(window, nullptr) << "no window before SetWindow";
    EXPECT_EQ(ole_window->GetWindow(nullptr), E_INVALIDARG);

    const RECT first = {0, 0, 100, 100};
    const RECT remembered = {5, 6, 205, 306};
    ASSERT_EQ(handler.preview->SetWindow(parent.get(), &first), S_OK);
    EXPECT_EQ(handler.preview->SetRect(&remembered), S_OK);
    ASSERT_EQ(handler.init->Initialize(&stream, STGM_READ), S_OK);
    ASSERT_EQ(handler.preview->DoPreview(), S_OK);
    const HWND form = FormIn(parent.get());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(RectInParent(form), remembered) << "a SetRect before DoPreview is used by it";

    const RECT moved = {30, 40, 330, 290};
    EXPECT_EQ(handler.preview->SetRect(&moved), S_OK);
    EXPECT_EQ(RectInParent(form), moved) << "SetRect moves the live form at once";

    // Null arguments change nothing.
    EXPECT_EQ(handler.preview->SetRect(nullptr), E_INVALIDARG);
    ParentWindow other;
    const RECT elsewhere = {1, 2, 51, 62};
    EXPECT_EQ(handler.preview->SetWindow(nullptr, &elsewhere), S_OK);
    EXPECT_EQ(handler.preview->SetWindow(other.get(), nullptr), S_OK);
    EXPECT_EQ(GetParent(form), parent.get());
    EXPECT_EQ(RectInParent(form), moved);
    EXPECT_EQ(ole_window->GetWindow(&window), S_OK);
    EXPECT_EQ(window, parent.get());

    // A new window takes the live form along, at the new rectangle.
    EXPECT_EQ(handler.preview->SetWindow(other.get(), &elsewhere), S_OK);
    EXPECT_EQ(FormIn(other.get()), form);
    EXPECT_EQ(FormIn(parent.get()), nullptr);
    EXPECT_EQ(RectInParent(form), elsewhere);
    EXPECT_EQ(ole_window->GetWindow(&window), S_OK);
    EXPECT_EQ(window, other.get()) << "GetWindow gives the host's window, not the form's";

    EXPECT_EQ(handler.preview->Unload(), S_OK);
    EXPECT_EQ(FormIn(other.get()), nullptr);
    EXPECT_EQ(ThreadWindowCount(), windows_before + 1) << "only the second parent window may remain";
}

TEST_F(HandlerObject, Focus) {
    EXPECT_EQ(handler.preview->SetFocus(), S_FALSE) << "no form to focus";
    EXPECT_EQ(handler.preview->QueryFocus(nullptr), E_INVALIDARG);

    ASSERT_EQ(handler.preview->SetWindow(parent.get(), &kRect), S_OK);
    ASSERT_EQ(handler.init->Initialize(&stream, STGM_READ), S_OK);
    ASSERT_EQ(handler.preview->DoPreview(), S_OK);
    const HWND form = FormIn(parent.get());
    EXPECT_EQ(handler.preview->SetFocus(), S_OK);
    EXPECT_EQ(GetFocus(), form);
    HWND focus = nullptr;
    EXPECT_EQ(handler.preview->QueryFocus(&focus), S_OK);
    EXPECT_EQ(focus, form);

    // Without a focus window the result follows the thread's last error.
    ::SetFocus(nullptr);
    const struct {
        DWORD last_error;
        HRESULT expected;
    } no_focus[] = {{ERROR_SUCCESS, S_OK}, {ERROR_ACCESS_DENIED, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)}};
    for (const auto& c : no_focus) {
        focus = reinterpret_cast<HWND>(0x1);
        SetLastError(c.last_error);
        EXPECT_EQ(handler.preview->QueryFocus(&focus), c.expected);
        EXPECT_EQ(focus, nullptr);
    }
    EXPECT_EQ(handler.preview->Unload(), S_OK);
}

TEST_F(HandlerObject, VisualsAreRefusedInEveryState) {
    auto visuals = handler.As<IPreviewHandlerVisuals>(IID_IPreviewHandlerVisuals);
    auto ole_window = handler.As<IOleWindow>(IID_IOleWindow);
    ASSERT_EQ(handler.preview->SetWindow(parent.get(), &kRect), S_OK);
    LOGFONTW font = {};
    const auto expect_refused = [&](const char* state) {
        SCOPED_TRACE(state);
        EXPECT_EQ(visuals->SetBackgroundColor(RGB(1, 2, 3)), E_FAIL);
        EXPECT_EQ(visuals->SetFont(&font), E_FAIL);
        EXPECT_EQ(visuals->SetTextColor(RGB(4, 5, 6)), E_FAIL);
        EXPECT_EQ(ole_window->ContextSensitiveHelp(TRUE), E_NOTIMPL);
    };
    expect_refused("empty");
    ASSERT_EQ(handler.init->Initialize(&stream, STGM_READ), S_OK);
    expect_refused("loaded");
    ASSERT_EQ(handler.preview->DoPreview(), S_OK);
    expect_refused("showing");
    EXPECT_EQ(handler.preview->Unload(), S_OK);
}

TEST_F(HandlerObject, SiteKeepingAndRelease) {
    auto with_site = handler.As<IObjectWithSite>(IID_IObjectWithSite);
    void* site_out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(with_site->GetSite(IID_IUnknown, &site_out), E_FAIL);
    EXPECT_EQ(site_out, nullptr);
    EXPECT_EQ(with_site->GetSite(IID_IUnknown, nullptr), E_INVALIDARG);

    EXPECT_EQ(with_site->SetSite(&site), S_OK);
    EXPECT_EQ(site.refs(), 2) << "the object keeps one reference";
    EXPECT_EQ(with_site->GetSite(IID_IUnknown, &site_out), S_OK);
    EXPECT_EQ(site_out, static_cast<IUnknown*>(&site));
    static_cast<IUnknown*>(site_out)->Release();
    EXPECT_EQ(with_site->GetSite(IID_IPreviewHandlerFrame, &site_out), S_OK) << "asked of the site itself";
    EXPECT_EQ(site_out, static_cast<IPreviewHandlerFrame*>(&frame));
    static_cast<IUnknown*>(site_out)->Release();
    EXPECT_EQ(with_site->GetSite(IID_IStream, &site_out), E_NOINTERFACE);
    EXPECT_EQ(site_out, nullptr);

    // A new site replaces the old one; one that refuses IUnknown leaves none.
    FakeSite refusing(nullptr, E_ACCESSDENIED);
    EXPECT_EQ(with_site->SetSite(&refusing), E_ACCESSDENIED);
    EXPECT_EQ(site.refs(), 1);
    EXPECT_EQ(refusing.refs(), 1);
    EXPECT_EQ(with_site->GetSite(IID_IUnknown, &site_out), E_FAIL);

    EXPECT_EQ(with_site->SetSite(&site), S_OK);
    EXPECT_EQ(with_site->SetSite(nullptr), S_OK);
    EXPECT_EQ(site.refs(), 1);
    EXPECT_EQ(with_site->GetSite(IID_IUnknown, &site_out), E_FAIL);

    // The last Release drops a site still held.
    EXPECT_EQ(with_site->SetSite(&site), S_OK);
    with_site.reset();
    handler.Release();
    EXPECT_EQ(site.refs(), 1);
    EXPECT_EQ(frame.refs(), 1);
}

TEST_F(HandlerObject, TranslateAcceleratorAsksTheFrameEachTime) {
    const struct {
        const char* name;
        bool with_site;
        bool with_frame;
        HRESULT frame_result;
        HRESULT expected;
    } cases[] = {
        {"no site", false, false, S_OK, S_FALSE},
        {"site without frame", true, false, S_OK, S_FALSE},
        {"frame handles the key", true, true, S_OK, S_OK},
        {"frame declines the key", true, true, S_FALSE, S_FALSE},
        {"frame fails", true, true, E_UNEXPECTED, E_UNEXPECTED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFrame case_frame(c.frame_result);
        FakeSite case_site(c.with_frame ? &case_frame : nullptr);
        Handler h;
        auto with_site = h.As<IObjectWithSite>(IID_IObjectWithSite);
        if (c.with_site) {
            ASSERT_EQ(with_site->SetSite(&case_site), S_OK);
        }
        MSG message = {};
        message.message = WM_KEYDOWN;
        message.wParam = VK_F5;
        for (int call = 1; call <= 2; ++call) {
            EXPECT_EQ(h.preview->TranslateAccelerator(&message), c.expected);
            EXPECT_EQ(case_site.frame_requests, c.with_site ? call : 0);
            EXPECT_EQ(case_frame.calls, c.with_frame ? call : 0);
            EXPECT_EQ(case_frame.refs(), 1) << "the frame is released after each call";
        }
        if (c.with_frame) {
            EXPECT_EQ(case_frame.last_message, &message);
        }
        with_site.reset();
        h.Release();
        EXPECT_EQ(case_site.refs(), 1);
    }
}

TEST_F(HandlerObject, IUnknownIdentityThroughAllInterfaces) {
    ComPtr<IUnknown> identity;
    ASSERT_EQ(handler.preview->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
    for (const IID* iid : {&IID_IPreviewHandler, &IID_IInitializeWithStream, &IID_IPreviewHandlerVisuals,
                           &IID_IOleWindow, &IID_IObjectWithSite}) {
        ComPtr<IUnknown> through;
        ASSERT_EQ(handler.preview->QueryInterface(*iid, through.put_void()), S_OK);
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(through->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
        EXPECT_EQ(unknown.get(), identity.get());
    }
    for (const IID* iid : {&IID_IStream, &IID_IClassFactory, &IID_IPreviewHandlerFrame, &IID_IPersistFile}) {
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(handler.preview->QueryInterface(*iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
}

TEST_F(HandlerObject, LastReleaseWhileShowingFreesEverything) {
    ASSERT_EQ(handler.As<IObjectWithSite>(IID_IObjectWithSite)->SetSite(&site), S_OK);
    ASSERT_EQ(handler.preview->SetWindow(parent.get(), &kRect), S_OK);
    ASSERT_EQ(handler.init->Initialize(&stream, STGM_READ), S_OK);
    ASSERT_EQ(handler.preview->DoPreview(), S_OK);
    ASSERT_NE(FormIn(parent.get()), nullptr);
    EXPECT_EQ(ThreadWindowCount(), windows_before + 1) << "the count must see the form";
    EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_FALSE);

    handler.Release();
    EXPECT_EQ(FormIn(parent.get()), nullptr);
    EXPECT_EQ(ThreadWindowCount(), windows_before);
    EXPECT_EQ(stream.refs(), 1);
    EXPECT_EQ(site.refs(), 1);
    EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_OK);
}

TEST_F(HandlerObject, PreviewWorksAgainAfterTheServerWentIdle) {
    // DllCanUnloadNow's S_OK releases the pane's process-wide resources; a
    // module that stays loaded must build forms again afterwards.
    handler.Release();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ScriptedStream round_stream(Bytes("ISO-10303-21;"));
        Handler h;
        ASSERT_EQ(h.preview->SetWindow(parent.get(), &kRect), S_OK);
        ASSERT_EQ(h.init->Initialize(&round_stream, STGM_READ), S_OK);
        EXPECT_EQ(h.preview->DoPreview(), S_OK);
        EXPECT_NE(FormIn(parent.get()), nullptr);
        h.Release();
        EXPECT_EQ(HandlerDll::Built().DllCanUnloadNow(), S_OK);
    }
}

}  // namespace
