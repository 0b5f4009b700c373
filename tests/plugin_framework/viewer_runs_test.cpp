// tamsel.dll in the stand-in viewer: the full host, one lacking some
// functions, one exporting none; the viewer's scripted answers and pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "gdiplus_scope.h"
#include "viewer_run.h"

namespace {

const std::vector<std::string> kRegistrations = {
    "on_measure_change(7, callback)", "on_model_load(7, callback)", "on_selection_change(7, callback)",
    "on_draw(7, callback)",           "on_context_menu(7, callback)", "on_tab_change(7, callback)"};

// The six lines after the viewer calls on_plugin_load: the registrations.
std::vector<std::string> LinesAfterLoad(const ViewerRun& run, std::size_t count) {
    const int load = run.Find("[viewer] on_plugin_load 7");
    if (load < 0 || load + 1 + count > run.log.size()) return {};
    return std::vector<std::string>(run.log.begin() + load + 1, run.log.begin() + load + 1 + count);
}

std::string DataFolderText() { return Utf8(BinPath(L"plugin\\tamsel_data\\")); }

TEST(ViewerRuns, FullViewerTakesThePluginThroughItsLifecycle) {
    OwnModel model(L"lifecycle");
    const ViewerRun run = RunViewer(L"standin_viewer", L"lifecycle", {L"--load", model.path(), L"--unload"});
    ASSERT_EQ(run.exit_code, 0u) << run.Describe();

    int at = run.Find("[viewer] get_api_verion gave 5.4");
    EXPECT_GE(at, 0);
    at = run.Find("[viewer] get_plugin_info gave name=\"Tamsel\"", at);
    ASSERT_GE(at, 0);
    EXPECT_NE(run.log[at].find(" folder=\"" + DataFolderText() + "\""), std::string::npos) << run.log[at];
    EXPECT_EQ(LinesAfterLoad(run, 6), kRegistrations);
    EXPECT_GE(run.Find("load_texts(7, \"" + DataFolderText() + "lang.en\") -> 1", at), 0);
    at = run.Find("[viewer] event model_load", at);
    EXPECT_GE(run.Find("get_loaded_ifc_path(7) -> \"" + Utf8(model.path()) + "\"", at), 0);
    at = run.Find("[viewer] on_plugin_unload", at);
    EXPECT_GE(run.Find("[viewer] plugin freed", at), 0);
    EXPECT_TRUE(model.HasPreview());
}

TEST(ViewerRuns, LanguageTextsFallBackToEnglish) {
    struct Case {
        const wchar_t* language;
        std::vector<std::string> loads;  // load_texts lines, in order
        const char* caption;             // the button's caption from those texts
    };
    const std::string folder = DataFolderText();
    const Case cases[] = {
        {L"en", {"load_texts(7, \"" + folder + "lang.en\") -> 1"}, "Update preview"},
        {L"de", {"load_texts(7, \"" + folder + "lang.de\") -> 1"}, "Vorschau erneuern"},
        {L"xx", {"load_texts(7, \"" + folder + "lang.xx\") -> 0", "load_texts(7, \"" + folder + "lang.en\") -> 1"},
         "Update preview"},
    };
    for (const Case& c : cases) {
        const ViewerRun run = RunViewer(L"standin_viewer", std::wstring(L"language_") + c.language, {L"--lang", c.language});
        ASSERT_EQ(run.exit_code, 0u) << Utf8(c.language) << " " << run.Describe();
        EXPECT_EQ(run.LinesStartingWith("load_texts("), c.loads) << Utf8(c.language);
        EXPECT_TRUE(run.Has(std::string("set_button_text(7, 101, \"") + c.caption + "\"")) << Utf8(c.language);
    }
}

TEST(ViewerRuns, ViewerLackingFunctionsGetsTheRestAndAClickReportsNoButton) {
    OwnModel model(L"partial");
    // The full viewer stores the preview, so that a click with a known id would show the dialog.
    ASSERT_EQ(RunViewer(L"standin_viewer", L"partial_setup", {L"--load", model.path()}).exit_code, 0u);
    ASSERT_TRUE(model.HasPreview());

    // Lacking clicked_button, the click reaches the plugin as button 0: no dialog (else the viewer fails).
    const ViewerRun run = RunViewer(L"standin_viewer_partial", L"partial", {L"--load", model.path(), L"--click"});
    ASSERT_EQ(run.exit_code, 0u) << run.Describe();
    std::vector<std::string> five = kRegistrations;
    five.erase(five.begin() + 3);
    EXPECT_EQ(LinesAfterLoad(run, 5), five);
    for (const char* lacking : {"on_draw(", "clicked_button(", "get_view_rect(", "render_screenshot("})
        EXPECT_FALSE(run.Has(lacking)) << lacking;
    const int clicked = run.Find("[viewer] button 101 clicked");
    ASSERT_GE(clicked, 0);
    EXPECT_EQ(run.log[clicked + 1], "[viewer] button 101 callback returned");
}

TEST(ViewerRuns, ViewerExportingNothingStillRunsThePlugin) {
    OwnModel model(L"no_exports");
    const ViewerRun run = RunViewer(L"standin_viewer_no_exports", L"no_exports",
                                    {L"--load", model.path(), L"--click", L"--event", L"draw", L"--unload"});
    ASSERT_EQ(run.exit_code, 0u) << run.Describe();
    EXPECT_TRUE(run.Has("[viewer] get_api_verion gave 5.4"));
    EXPECT_TRUE(run.Has("[viewer] get_plugin_info gave name=\"Tamsel\""));
    EXPECT_TRUE(run.Has("[viewer] click: the plugin has no button"));
    EXPECT_TRUE(run.Has("[viewer] plugin freed"));
    EXPECT_EQ(run.LinesStartingWith("[viewer]").size(), run.log.size()) << "no host function was reached";
    EXPECT_FALSE(model.HasPreview());
}

TEST(ViewerRuns, DialogAnswersAsScripted) {
    OwnModel model(L"answers");
    const ViewerRun run = RunViewer(L"standin_viewer", L"answers",
                                    {L"--load", model.path(), L"--answer", L"no", L"--click", L"--answer", L"close",
                                     L"--click", L"--answer", L"escape", L"--click", L"--answer", L"enter", L"--click",
                                     L"--answer", L"yes", L"--click"});
    ASSERT_EQ(run.exit_code, 0u) << run.Describe();
    EXPECT_EQ(run.LinesStartingWith("[viewer] dialog answer"),
              (std::vector<std::string>{"[viewer] dialog answer no", "[viewer] dialog answer close",
                                        "[viewer] dialog answer escape", "[viewer] dialog answer no",
                                        "[viewer] dialog answer enter", "[viewer] dialog answer yes"}));
    EXPECT_TRUE(run.Has("[viewer] dialog stays open after escape"));
    // One render at load, then one for each answer that means yes.
    const int enter = run.Find("[viewer] dialog answer enter");
    EXPECT_EQ(run.Count("render_screenshot(", 0, enter), 1) << "no, close and escape replace nothing";
    EXPECT_EQ(run.Count("render_screenshot(", enter, static_cast<int>(run.log.size())), 2);
}

TEST(ViewerRuns, UnplannedOrMissingDialogsFailTheRun) {
    OwnModel model(L"unplanned");
    const ViewerRun unplanned = RunViewer(L"standin_viewer", L"unplanned", {L"--load", model.path(), L"--click"});
    EXPECT_EQ(unplanned.exit_code, 4u) << unplanned.Describe();
    EXPECT_TRUE(unplanned.Has("[viewer] dialog not expected: closing it"));

    const ViewerRun missing = RunViewer(L"standin_viewer", L"missing", {L"--load-none", L"--answer", L"yes", L"--click"});
    EXPECT_EQ(missing.exit_code, 4u) << missing.Describe();
    EXPECT_TRUE(missing.Has("[viewer] click: button 101 is disabled"));
}

bool ParseRect(const std::string& line, const char* after, RECT* rect) {
    const auto at = line.find(after);
    return at != std::string::npos &&
           std::sscanf(line.c_str() + at + std::strlen(after), "%ld,%ld,%ld,%ld", &rect->left, &rect->top,
                       &rect->right, &rect->bottom) == 4;
}

TEST(ViewerRuns, SavedWindowShowsTheViewAtItsReportedPlace) {
    OwnModel model(L"window");
    const std::wstring picture = TestFile(L"window.png");
    const std::wstring dialog = TestFile(L"dialog.png");
    const ViewerRun run = RunViewer(L"standin_viewer", L"window",
                                    {L"--view", L"300x200", L"--load", model.path(), L"--save-window", picture,
                                     L"--save-dialog", dialog, L"--answer", L"no", L"--click"});
    ASSERT_EQ(run.exit_code, 0u) << run.Describe();
    RECT window{}, view{};
    ASSERT_TRUE(ParseRect(run.log[run.Find("[viewer] window saved to")], " from ", &window));
    ASSERT_TRUE(ParseRect(run.log[run.Find("get_view_rect(7, rect)")], " -> ", &view));
    EXPECT_EQ(view.right - view.left, 300);
    EXPECT_EQ(view.bottom - view.top, 200);

    const tamsel::GdiplusScope gdiplus;
    Gdiplus::Bitmap saved(picture.c_str());
    ASSERT_EQ(saved.GetLastStatus(), Gdiplus::Ok);
    ASSERT_EQ(static_cast<LONG>(saved.GetWidth()), window.right - window.left);
    ASSERT_EQ(static_cast<LONG>(saved.GetHeight()), window.bottom - window.top);
    const auto at = [&](LONG x, LONG y) {
        Gdiplus::Color color;
        saved.GetPixel(x - window.left, y - window.top, &color);
        return RGB(color.GetR(), color.GetG(), color.GetB());
    };
    EXPECT_EQ(at(view.left, view.top), RGB(255, 0, 0));
    EXPECT_EQ(at(view.right - 1, view.top), RGB(0, 255, 0));
    EXPECT_EQ(at(view.left, view.bottom - 1), RGB(0, 0, 255));
    EXPECT_EQ(at(view.right - 1, view.bottom - 1), RGB(255, 255, 0));

    Gdiplus::Bitmap dialog_picture(dialog.c_str());
    EXPECT_EQ(dialog_picture.GetLastStatus(), Gdiplus::Ok);
    RECT shown{};
    ASSERT_TRUE(ParseRect(run.log[run.Find("[viewer] dialog shown at")], " at ", &shown));
    EXPECT_EQ(static_cast<LONG>(dialog_picture.GetWidth()), shown.right - shown.left);
}

}  // namespace
