// The stand-in viewer's own rules that tests of the plugin rely on: the
// rendered scene and the texts files.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "scene.h"
#include "texts_file.h"
#include "viewer_names.h"
#include "viewer_run.h"

namespace {

using namespace standin;

// The names an executable exports, in the order of its export table.
std::vector<std::string> ExportedNames(const std::wstring& program) {
    const HMODULE image = LoadLibraryExW(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!image) return {};
    auto* base = reinterpret_cast<const BYTE*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& exports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (exports.VirtualAddress) {
        const auto* table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + exports.VirtualAddress);
        const auto* name_offsets = reinterpret_cast<const DWORD*>(base + table->AddressOfNames);
        for (DWORD i = 0; i < table->NumberOfNames; ++i)
            names.emplace_back(reinterpret_cast<const char*>(base + name_offsets[i]));
    }
    FreeLibrary(image);
    return names;
}

TEST(StandinViewer, ExportsTheViewersNamesAllNoneOrAllButTheOmittedOnes) {
    const std::set<std::string> all(std::begin(kViewerNames), std::end(kViewerNames));
    std::set<std::string> partial = all;
    for (const char* omitted : {"on_draw", "clicked_button", "get_view_rect", "render_screenshot"})
        partial.erase(omitted);
    const struct {
        const wchar_t* variant;
        std::set<std::string> names;
    } cases[] = {{L"standin_viewer", all}, {L"standin_viewer_partial", partial}, {L"standin_viewer_no_exports", {}}};
    for (const auto& c : cases) {
        const std::vector<std::string> exported =
            ExportedNames(BinPath(std::wstring(L"tools\\standin_viewer\\") + c.variant + L".exe"));
        EXPECT_EQ(exported.size(), c.names.size()) << Utf8(c.variant);
        EXPECT_EQ(std::set<std::string>(exported.begin(), exported.end()), c.names) << Utf8(c.variant);
    }
}

COLORREF PixelOfBottomUp(const std::vector<std::uint8_t>& rgb, int width, int x, int row_from_bottom) {
    const std::size_t at = (std::size_t(row_from_bottom) * width + x) * 3;
    return RGB(rgb[at], rgb[at + 1], rgb[at + 2]);
}

TEST(StandinScene, RendersUprightRowsBottomFirstWithExactColours) {
    constexpr int kWidth = 40, kHeight = 30;
    std::vector<std::uint8_t> rgb(kWidth * kHeight * 3, 0xEE);
    ASSERT_TRUE(RenderSceneBottomUp(kWidth, kHeight, L"m.ifc", rgb.data()));
    const int side = CornerSquareSide(kWidth, kHeight);
    ASSERT_EQ(side, 3);

    const int top = kHeight - 1;  // buffer row of the picture's top
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, 0, top), kTopLeftColor);
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, kWidth - 1, top), kTopRightColor);
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, 0, 0), kBottomLeftColor);
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, kWidth - 1, 0), kBottomRightColor);
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, side - 1, top - (side - 1)), kTopLeftColor) << "square's inner corner";
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, side, top), kSkyColor) << "just beside the square";
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, side, 0), kGroundColor);
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, side, kHeight / 2 - 1), kGroundColor) << "the lower half is ground";
    EXPECT_EQ(PixelOfBottomUp(rgb, kWidth, side, kHeight / 2), kSkyColor) << "the upper half is sky";
}

TEST(StandinScene, RefusesEmptyOrAbsurdSizes) {
    std::vector<std::uint8_t> rgb(16 * 3);
    for (const auto& [width, height] : {std::pair{0, 4}, {4, 0}, {-1, 4}, {4097, 1}})
        EXPECT_FALSE(RenderSceneBottomUp(width, height, L"m", rgb.data())) << width << "x" << height;
    EXPECT_FALSE(RenderSceneBottomUp(4, 4, L"m", nullptr));
    EXPECT_EQ(SceneLabel(nullptr), L"no model");
    const std::wstring path = L"C:\\models/house.ifc";
    EXPECT_EQ(SceneLabel(&path), L"house.ifc");
}

TEST(StandinTexts, LinesAreKeyEqualsValue) {
    const Texts texts = ParseTexts(
        L"\xFEFF# comment=not a text\r\n"
        L"btn_yes=Yes\r\n"
        L"  lbl_preview =  Actual preview:  \n"
        L"\n"
        L"no separator here\n"
        L"=no key\n"
        L"formula=a=b\n"
        L"empty=\n"
        L"btn_yes=Yes again\n"
        L"last=without newline");
    const Texts expected = {{L"btn_yes", L"Yes again"}, {L"lbl_preview", L"Actual preview:"}, {L"formula", L"a=b"},
                            {L"empty", L""},            {L"last", L"without newline"}};
    EXPECT_EQ(texts, expected);
}

TEST(StandinTexts, FilesMustExistAndBeUtf8) {
    const std::wstring path = TestFile(L"texts_check.txt");
    std::ofstream(Utf8(path).c_str(), std::ios::binary) << "ok=f\xC3\xBCr\n";
    const auto loaded = LoadTextsFile(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->at(L"ok"), L"f\u00FCr");

    std::ofstream(Utf8(path).c_str(), std::ios::binary) << "bad=f\xFCr\n";
    EXPECT_FALSE(LoadTextsFile(path)) << "Latin-1 is not UTF-8";
    DeleteFileW(path.c_str());
    EXPECT_FALSE(LoadTextsFile(path));
}

TEST(StandinTexts, ShippedLanguagesHaveEveryKeyThePluginAsksFor) {
    const wchar_t* const keys[] = {L"btn_update_preview", L"btn_update_preview.hint", L"lbl_preview",
                                   L"lbl_question",       L"btn_yes",                 L"btn_no"};
    for (const wchar_t* language : {L"en", L"de"}) {
        const auto texts = LoadTextsFile(BinPath(L"plugin\\tamsel_data\\lang.") + language);
        ASSERT_TRUE(texts) << Utf8(language);
        EXPECT_EQ(texts->size(), std::size(keys)) << Utf8(language);
        for (const wchar_t* key : keys) {
            const auto found = texts->find(key);
            ASSERT_NE(found, texts->end()) << Utf8(language) << ": " << Utf8(key);
            EXPECT_FALSE(found->second.empty()) << Utf8(language) << ": " << Utf8(key);
        }
    }
    const auto english = LoadTextsFile(BinPath(L"plugin\\tamsel_data\\lang.en"));
    ASSERT_TRUE(english);
    EXPECT_EQ(english->at(L"lbl_preview"), L"Actual preview:");
    EXPECT_EQ(english->at(L"lbl_question"), L"Replace it with current view?");
}

}  // namespace
