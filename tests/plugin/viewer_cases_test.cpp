// The cases of viewer_cases.txt in the fake viewer: the calls the plugin makes,
// what it files in the store, and the dialog as this viewer sees it.
#include "plugin_fixture.h"
#include "viewer_cases.h"

#include <cstdio>

namespace plugin_test {
namespace {

using fake::Host;
using fake::Narrow;

constexpr COLORREF kMagenta = RGB(255, 0, 255);

TEST(ViewerCaseTable, IsReadWhole) {
    EXPECT_EQ(ViewerCases().errors, std::vector<std::string>{});
    EXPECT_FALSE(ViewerCases().cases.empty());
    EXPECT_FALSE(ViewerCases().unused.empty());
}

class ViewerCaseInFakeViewer : public PluginFixture, public testing::WithParamInterface<ViewerCase> {
protected:
    // Clicks the button and answers the dialog as a user would; escape is
    // followed by No once the dialog has stayed open.
    void ClickAndAnswer(Answer answer) {
        bool hidden_after = false, open_after_escape = false;
        std::wstring captions = L"?";
        {
            DialogDriver driver([&](HWND dialog) {
                captions.clear();
                for (const int id : {IDYES, IDNO, kQuestionId, kHeadingId}) {
                    wchar_t text[64] = {};
                    GetDlgItemTextW(dialog, id, text, 64);
                    captions += text;
                }
                AnswerDialog(dialog, answer);
                if (answer == Answer::Escape) {
                    open_after_escape = !WaitUntilHidden(dialog, 500);
                    AnswerDialog(dialog, Answer::No);
                }
                hidden_after = WaitUntilHidden(dialog, 5000);
            });
            PressButton();
            EXPECT_TRUE(driver.saw_dialog());
        }
        EXPECT_TRUE(hidden_after) << "the dialog stayed open after its answer";
        EXPECT_TRUE(answer != Answer::Escape || open_after_escape) << "escape closed the dialog";
        // This viewer has no texts for the dialog: empty captions, and Enter still answers Yes.
        EXPECT_EQ(captions, L"");
    }

    // Runs one step; false for a step the table does not define.
    bool Play(const std::string& step, const UniqueModel& model, const std::wstring& copy) {
        static const std::map<std::string, Answer> answers = {
            {"yes", Answer::Yes}, {"enter", Answer::Enter}, {"no", Answer::No}, {"close", Answer::CloseBox},
            {"escape", Answer::Escape}};
        std::int32_t rect[4];
        if (step == "view=unfilled") {
            Host().fills_view = false;
        } else if (std::sscanf(step.c_str(), "view=%d,%d,%d,%d", &rect[0], &rect[1], &rect[2], &rect[3]) == 4) {
            std::copy(rect, rect + 4, Host().view);
        } else if (step == "render=fails" || step == "render=works") {
            Host().render_succeeds = step == "render=works";
        } else if (step == "load" || step == "copy" || step == "none" || step == "empty") {
            Host().reports_path = step != "none";
            LoadModel(step == "load" ? model.path() : step == "copy" ? copy : L"");
        } else if (answers.count(step)) {
            ClickAndAnswer(answers.at(step));
        } else {
            return false;
        }
        return true;
    }
};

TEST_P(ViewerCaseInFakeViewer, Plays) {
    const ViewerCase& c = GetParam();
    Host().texts = {{"btn_update_preview", L"Vorschau ersetzen"}, {"btn_update_preview.hint", L"Ansicht speichern"}};
    for (const std::string& setting : c.viewer) {
        ASSERT_EQ(setting.rfind("lang=", 0), 0u) << "unknown setting " << setting;
        Host().language = std::wstring(setting.begin() + 5, setting.end());
    }
    UniqueModel model;
    const std::wstring copy = model.path() + L".copy.ifc";
    ASSERT_TRUE(CopyFileW(model.path().c_str(), copy.c_str(), FALSE));
    if (c.stored == "png") WriteSolidPng(model.preview_path(), 400, 200, kMagenta);
    if (c.stored == "bytes") WriteBytes(model.preview_path(), {'k', 'e', 'e', 'p'});
    const std::vector<std::uint8_t> planted = ReadBytes(model.preview_path());

    LoadPlugin();
    std::vector<std::string> calls;
    const auto take_calls = [&] {
        calls.insert(calls.end(), Host().calls.begin(), Host().calls.end());
        Host().calls.clear();
    };
    if (!c.steps.empty()) Host().calls.clear();
    for (const std::string& step : c.steps) {
        EXPECT_TRUE(Play(step, model, copy)) << "unknown step " << step;
        take_calls();
    }
    take_calls();
    DeleteFileW(copy.c_str());

    std::map<std::string, std::string> values = {{"button", std::to_string(Host().button_id)},
                                                 {"data", Narrow(DataFolder().c_str())}};
    for (const auto& [key, text] : Host().texts) values["text:" + key] = Narrow(text.c_str());
    std::vector<std::string> expected;
    for (const std::string& call : c.calls) expected.push_back(Substitute(call, values));
    EXPECT_EQ(UsedCalls(calls), expected);

    int width = 0, height = 0;
    if (c.store == "none") {
        EXPECT_EQ(model.StoreFilesOfKey(), std::vector<std::wstring>{});
    } else if (c.store == "stored") {
        EXPECT_EQ(model.StoreFilesOfKey(), std::vector<std::wstring>{model.preview_path()});
        EXPECT_EQ(ReadBytes(model.preview_path()), planted);
    } else {
        ASSERT_EQ(std::sscanf(c.store.c_str(), "view=%dx%d", &width, &height), 2) << "unknown store " << c.store;
        EXPECT_EQ(model.StoreFilesOfKey(), std::vector<std::wstring>{model.preview_path()});
        const Pixels png = DecodeFile(model.preview_path());
        ASSERT_EQ(png.width, width);
        ASSERT_EQ(png.height, height);
        EXPECT_EQ(png.format, PixelFormat24bppRGB);
        int wrong = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) wrong += png.at(x, y) != fake::SceneColor(width, height, x, y);
        }
        EXPECT_EQ(wrong, 0) << "pixels differing from the rendered view";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ViewerCaseInFakeViewer, testing::ValuesIn(ViewerCases().cases),
                         [](const testing::TestParamInfo<ViewerCase>& info) { return info.param.name; });

}  // namespace
}  // namespace plugin_test
