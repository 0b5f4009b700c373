// The pane's rules without any window: texts file, module folder, layout,
// fitting, and the PNG header guard of the store.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pane_rules.h"
#include "png_header.h"
#include "thumbnail_rules.h"

namespace {

using tamsel::PaneBox;

std::vector<std::uint8_t> Utf16Le(const std::u16string& text, bool mark = false) {
    std::vector<std::uint8_t> bytes;
    if (mark) bytes = {0xFF, 0xFE};
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Narrow(const std::u16string& text) { return {text.begin(), text.end()}; }

TEST(TextsFile, YieldsTextsOnlyForExactlyTwoLines) {
    const struct {
        const char* label;
        std::vector<std::uint8_t> bytes;
        std::optional<std::pair<std::u16string, std::u16string>> texts;
    } cases[] = {
        {"CR LF, final break", Utf16Le(u"A\r\nB\r\n"), {{u"A", u"B"}}},
        {"lone LF", Utf16Le(u"A\nB\n"), {{u"A", u"B"}}},
        {"lone CR", Utf16Le(u"A\rB\r"), {{u"A", u"B"}}},
        {"no final break", Utf16Le(u"A\r\nB"), {{u"A", u"B"}}},
        {"mixed breaks", Utf16Le(u"A\rB\n"), {{u"A", u"B"}}},
        {"mark is skipped", Utf16Le(u"Title\r\nHint", true), {{u"Title", u"Hint"}}},
        {"mark only at the very start", Utf16Le(u"T\r\n\xFEFFH", true), {{u"T", u"\xFEFFH"}}},
        {"big-endian mark is text", {0xFE, 0xFF, 'A', 0, '\r', 0, 'B', 0}, {{u"\xFFFE" u"A", u"B"}}},
        {"empty first line", Utf16Le(u"\r\nHint\r\n"), {{u"", u"Hint"}}},
        {"two empty lines", Utf16Le(u"\r\n\r\n"), {{u"", u""}}},
        {"blanks and ampersands kept", Utf16Le(u" A & B \r\n\tC&&D"), {{u" A & B ", u"\tC&&D"}}},
        {"non-ASCII", Utf16Le(u"Vorschau \u00fc\r\n\u65e5\u672c"), {{u"Vorschau \u00fc", u"\u65e5\u672c"}}},
        {"NUL ends the text", Utf16Le(std::u16string(u"A\r\nB\0\r\nC\r\n", 10)), {{u"A", u"B"}}},
        {"odd trailing byte ignored", [] { auto b = Utf16Le(u"A\r\nB"); b.push_back('x'); return b; }(),
         {{u"A", u"B"}}},
        {"one line", Utf16Le(u"Only\r\n"), std::nullopt},
        {"three lines", Utf16Le(u"A\r\nB\r\nC"), std::nullopt},
        {"break, break at end is a third, empty line", Utf16Le(u"A\r\nB\r\n\r\n"), std::nullopt},
        {"LF CR is two breaks", Utf16Le(u"A\n\rB"), std::nullopt},
        {"NUL before the second line", Utf16Le(std::u16string(u"A\0\r\nB", 5)), std::nullopt},
        {"empty", {}, std::nullopt},
        {"mark alone", {0xFF, 0xFE}, std::nullopt},
        {"single byte", {'A'}, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto texts = tamsel::ParseTextsFile(c.bytes.data(), c.bytes.size());
        ASSERT_EQ(texts.has_value(), c.texts.has_value()) << c.label;
        if (!texts) continue;
        EXPECT_EQ(texts->title, c.texts->first) << c.label << ": " << Narrow(texts->title);
        EXPECT_EQ(texts->hint, c.texts->second) << c.label << ": " << Narrow(texts->hint);
    }
}

TEST(TextsFile, EightBitFileIsStillReadAsUtf16) {
    // One byte per character pairs "AB\r\nCD\r\n" into 0x4241 0x0A0D 0x4443 0x0A0D:
    // not one CR or LF character, so a single line and no texts.
    const auto ascii = Bytes("AB\r\nCD\r\n");
    EXPECT_FALSE(tamsel::ParseTextsFile(ascii.data(), ascii.size()));

    // Bytes that pair into breaks do make lines: "A\0\r\0B\0" is "A", CR, "B".
    const auto paired = Bytes(std::string("A\0\r\0B\0", 6));
    const auto texts = tamsel::ParseTextsFile(paired.data(), paired.size());
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->title, u"A");
    EXPECT_EQ(texts->hint, u"B");
}

TEST(ModuleFolder, CutsAfterTheLastBackslash) {
    const struct {
        std::u16string path;
        std::u16string folder;
    } cases[] = {
        {u"C:\\Program Files\\Tamsel\\tamsel_handler.dll", u"C:\\Program Files\\Tamsel\\"},
        {u"C:\\tamsel_handler.dll", u"C:\\"},
        {u"\\\\server\\share\\x.dll", u"\\\\server\\share\\"},
        {u"C:\\dir.v2\\sub/x.dll", u"C:\\dir.v2\\"},
        {u"tamsel_handler.dll", u"tamsel_handler.dll\\"},
        {u"C:\\folder\\", u"C:\\folder\\"},
        {u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(tamsel::ModuleFolder(c.path), c.folder) << Narrow(c.path);
}

TEST(PaneLayout, PlacesControlsByAlignmentAndMargins) {
    const struct {
        int width, height;
        bool icon;
        PaneBox panel, icon_box, title, preview;
    } cases[] = {
        {366, 422, true, {8, 8, 350, 65}, {0, 0, 48, 65}, {56, 0, 286, 57}, {8, 89, 350, 325}},
        {366, 422, false, {8, 8, 350, 65}, {0, 0, 48, 65}, {8, 0, 334, 57}, {8, 89, 350, 325}},
        {800, 200, true, {8, 8, 784, 65}, {0, 0, 48, 65}, {56, 0, 720, 57}, {8, 89, 784, 103}},
        {316, 397, false, {8, 8, 300, 65}, {0, 0, 48, 65}, {8, 0, 284, 57}, {8, 89, 300, 300}},
        // Tiny panes: nothing comes out negative.
        {97, 97, true, {8, 8, 81, 65}, {0, 0, 48, 65}, {56, 0, 17, 57}, {8, 89, 81, 0}},
        {80, 90, true, {8, 8, 64, 65}, {0, 0, 48, 65}, {56, 0, 0, 57}, {8, 89, 64, 0}},
        {40, 50, true, {8, 8, 24, 65}, {0, 0, 48, 65}, {56, 0, 0, 57}, {8, 89, 24, 0}},
        {40, 50, false, {8, 8, 24, 65}, {0, 0, 48, 65}, {8, 0, 8, 57}, {8, 89, 24, 0}},
        {10, 10, false, {8, 8, 0, 65}, {0, 0, 48, 65}, {8, 0, 0, 57}, {8, 89, 0, 0}},
        {0, 0, true, {8, 8, 0, 65}, {0, 0, 48, 65}, {56, 0, 0, 57}, {8, 89, 0, 0}},
        {-5, -5, true, {8, 8, 0, 65}, {0, 0, 48, 65}, {56, 0, 0, 57}, {8, 89, 0, 0}},
        {INT_MIN, INT_MIN, false, {8, 8, 0, 65}, {0, 0, 48, 65}, {8, 0, 0, 57}, {8, 89, 0, 0}},
    };
    for (const auto& c : cases) {
        const tamsel::PaneLayout layout = tamsel::LayOutPane(c.width, c.height, c.icon);
        const std::string label =
            std::to_string(c.width) + "x" + std::to_string(c.height) + (c.icon ? " with icon" : " without icon");
        EXPECT_EQ(layout.Panel1, c.panel) << label;
        EXPECT_EQ(layout.img_icon, c.icon_box) << label;
        EXPECT_EQ(layout.lbl_title, c.title) << label;
        EXPECT_EQ(layout.img_preview, c.preview) << label;
    }
}

std::vector<std::uint8_t> PngStart(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (const std::uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(v >> shift));
    }
    const std::uint8_t rest[] = {8, 2, 0, 0, 0, 0x12, 0x34, 0x56, 0x78};  // depth, colour type, ..., CRC
    bytes.insert(bytes.end(), std::begin(rest), std::end(rest));
    return bytes;
}

TEST(PngHeader, ReadsTheSizeAndRefusesGiantOrBrokenHeaders) {
    const auto valid = PngStart(512, 384);
    const struct {
        const char* label;
        std::vector<std::uint8_t> bytes;
        bool loadable;
    } cases[] = {
        {"preview size", valid, true},
        {"one pixel", PngStart(1, 1), true},
        {"2,048 on both sides", PngStart(2048, 2048), true},
        {"2,049 wide", PngStart(2049, 1), false},
        {"2,049 high", PngStart(1, 2049), false},
        {"16,384 on both sides", PngStart(16384, 16384), false},
        {"100,000 x 100,000", PngStart(100000, 100000), false},
        {"width with the top bit set", PngStart(0x80000001u, 1), false},
        {"zero width", PngStart(0, 10), false},
        {"zero height", PngStart(10, 0), false},
        {"cut inside the height", {valid.begin(), valid.begin() + 23}, false},
        {"signature only", {valid.begin(), valid.begin() + 8}, false},
        {"empty", {}, false},
        {"wrong signature byte", [&] { auto b = valid; b[1] = 'p'; return b; }(), false},
        {"DOS line ending converted", [&] { auto b = valid; b.erase(b.begin() + 4); return b; }(), false},
        {"first chunk not IHDR", [&] { auto b = valid; b[12] = 'I'; b[13] = 'D'; b[14] = 'A'; b[15] = 'T'; return b; }(),
         false},
        {"IHDR length not 13", [&] { auto b = valid; b[11] = 14; return b; }(), false},
        {"BMP file", {'B', 'M', 0x36, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0, 16, 0, 0, 0, 16, 0, 0, 0}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tamsel::IsLoadablePngHeader(c.bytes.data(), c.bytes.size()), c.loadable) << c.label;
    }

    const auto size = tamsel::ReadPngSize(valid.data(), tamsel::kPngHeaderSize);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 512u);
    EXPECT_EQ(size->height, 384u);
    const auto giant = PngStart(100000, 70000);
    const auto giant_size = tamsel::ReadPngSize(giant.data(), giant.size());
    ASSERT_TRUE(giant_size);
    EXPECT_EQ(giant_size->width, 100000u);
    EXPECT_EQ(giant_size->height, 70000u);
    EXPECT_FALSE(tamsel::ReadPngSize(nullptr, 0));
}

TEST(FitThumbnail, LongerSideBecomesTheSideAskedForAndSmallPicturesKeepTheirSize) {
    const struct {
        const char* label;
        int width, height, side;
        tamsel::PictureSize expected;
    } cases[] = {
        {"wide preview, reduced", 512, 384, 256, {256, 192}},
        {"wide preview at 96", 512, 384, 96, {96, 72}},
        {"wide preview at 32", 512, 384, 32, {32, 24}},
        {"smaller than asked: never enlarged", 400, 200, 1024, {400, 200}},
        {"exactly the side asked for", 400, 200, 400, {400, 200}},
        {"one pixel too large", 257, 100, 256, {256, 100}},
        {"tall picture", 300, 500, 96, {58, 96}},
        {"square", 500, 500, 96, {96, 96}},
        {"shorter side rounded to the nearest pixel", 512, 385, 256, {256, 193}},
        {"a thin line keeps one pixel", 2048, 1, 16, {16, 1}},
        {"a thin column keeps one pixel", 1, 2048, 16, {1, 16}},
        {"one pixel asked for", 512, 384, 1, {1, 1}},
        {"largest sides do not overflow", 2048, 2047, 2047, {2047, 2046}},
        {"no picture", 0, 384, 256, {0, 0}},
        {"negative height", 512, -1, 256, {0, 0}},
        {"no side", 512, 384, 0, {0, 0}},
    };
    for (const auto& c : cases) {
        const tamsel::PictureSize size = tamsel::FitThumbnail(c.width, c.height, c.side);
        EXPECT_EQ(size.width, c.expected.width) << c.label;
        EXPECT_EQ(size.height, c.expected.height) << c.label;
    }
}

}  // namespace
