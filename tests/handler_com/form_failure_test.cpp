// How the handler object reports a pane form that fails: built from the
// object's own sources against a scriptable stand-in for the form, since the
// real form fails only when memory or windows run out.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "preview_form.h"
#include "scripted_stream.h"
#include "tamsel_handler.h"

namespace {

enum class Fault { None, Construct, Place, Bounds, Show, Focus };

struct FormScript {
    Fault fault = Fault::None;
    int throw_kind = 0;  // 0: std::bad_alloc, 1: std::runtime_error, 2: an int
    int live = 0;
} g_form;

void MaybeThrow(Fault at) {
    if (g_form.fault != at) return;
    switch (g_form.throw_kind) {
        case 0: throw std::bad_alloc();
        case 1: throw std::runtime_error("form failure");
        default: throw 42;
    }
}

}  // namespace

namespace tamsel {

struct Tfrm_preview::State {
    std::wstring title;
};

Tfrm_preview::Tfrm_preview(IStream*, HINSTANCE) : state_(nullptr) {
    MaybeThrow(Fault::Construct);
    state_ = new State;
    ++g_form.live;
}
Tfrm_preview::~Tfrm_preview() {
    delete state_;
    --g_form.live;
}
void Tfrm_preview::SetParentWindow(HWND) { MaybeThrow(Fault::Place); }
void Tfrm_preview::SetBounds(int, int, int, int) { MaybeThrow(Fault::Bounds); }
void Tfrm_preview::FormResize(void*) {}
void Tfrm_preview::FormPaint(void*) {}
void Tfrm_preview::Show() { MaybeThrow(Fault::Show); }
void Tfrm_preview::FocusWindow() { MaybeThrow(Fault::Focus); }
HWND Tfrm_preview::Handle() const { return nullptr; }
PaneOutcome Tfrm_preview::Outcome() const { return PaneOutcome::IconOnly; }
const std::wstring& Tfrm_preview::TitleCaption() const { return state_->title; }

}  // namespace tamsel

namespace {

using tamsel::ComPtr;
using tamsel::TamselHandler;

constexpr RECT kRect = {0, 0, 200, 100};

class FormFailure : public ::testing::Test {
protected:
    void SetUp() override { g_form = {}; }
    void TearDown() override {
        handler.reset();
        EXPECT_EQ(g_form.live, 0);
        EXPECT_EQ(stream.refs(), 1);
    }
    // Held as IPreviewHandler; the object's own reference is handed over.
    ComPtr<IPreviewHandler> NewHandler() {
        ComPtr<IPreviewHandler> created;
        created.attach(new TamselHandler());
        return created;
    }

    ScriptedStream stream{std::vector<std::uint8_t>{}};
    ComPtr<IPreviewHandler> handler = NewHandler();
};

TEST_F(FormFailure, DoPreviewKeepsNoHalfBuiltForm) {
    const struct {
        const char* name;
        Fault fault;
        int throw_kind;
        HRESULT expected;
    } cases[] = {
        {"out of memory while built", Fault::Construct, 0, E_OUTOFMEMORY},
        {"window failure while built", Fault::Construct, 1, E_FAIL},
        {"foreign exception while built", Fault::Construct, 2, E_FAIL},
        {"failure while parented", Fault::Place, 1, E_FAIL},
        {"failure while sized", Fault::Bounds, 0, E_OUTOFMEMORY},
        {"failure while shown", Fault::Show, 1, E_FAIL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IInitializeWithStream> init;
        ASSERT_EQ(handler->QueryInterface(IID_IInitializeWithStream, init.put_void()), S_OK);
        ASSERT_EQ(handler->SetWindow(reinterpret_cast<HWND>(0x10), &kRect), S_OK);
        ASSERT_EQ(init->Initialize(&stream, STGM_READ), S_OK);

        g_form.fault = c.fault;
        g_form.throw_kind = c.throw_kind;
        EXPECT_EQ(handler->DoPreview(), c.expected);
        EXPECT_EQ(g_form.live, 0) << "the failed form was kept";
        EXPECT_EQ(stream.refs(), 2) << "the stream stays for another try";

        // Nothing of the failed try blocks the next one.
        g_form.fault = Fault::None;
        EXPECT_EQ(handler->DoPreview(), S_OK);
        EXPECT_EQ(g_form.live, 1);
        EXPECT_EQ(handler->Unload(), S_OK);
        EXPECT_EQ(g_form.live, 0);
    }
}

TEST_F(FormFailure, LiveFormFailuresBecomeResults) {
    ComPtr<IInitializeWithStream> init;
    ASSERT_EQ(handler->QueryInterface(IID_IInitializeWithStream, init.put_void()), S_OK);
    ASSERT_EQ(handler->SetWindow(reinterpret_cast<HWND>(0x10), &kRect), S_OK);
    ASSERT_EQ(init->Initialize(&stream, STGM_READ), S_OK);
    ASSERT_EQ(handler->DoPreview(), S_OK);

    const RECT other = {5, 5, 50, 50};
    const struct {
        const char* name;
        Fault fault;
        HRESULT (*call)(IPreviewHandler*, const RECT*);
    } cases[] = {
        {"SetWindow", Fault::Place, [](IPreviewHandler* h, const RECT* r) { return h->SetWindow(reinterpret_cast<HWND>(0x20), r); }},
        {"SetRect", Fault::Bounds, [](IPreviewHandler* h, const RECT* r) { return h->SetRect(r); }},
        {"SetFocus", Fault::Focus, [](IPreviewHandler* h, const RECT*) { return h->SetFocus(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int kind : {0, 1}) {
            g_form.fault = c.fault;
            g_form.throw_kind = kind;
            EXPECT_EQ(c.call(handler.get(), &other), kind == 0 ? E_OUTOFMEMORY : E_FAIL);
            EXPECT_EQ(g_form.live, 1);
        }
    }
    g_form.fault = Fault::None;
    EXPECT_EQ(handler->Unload(), S_OK);
}

}  // namespace
