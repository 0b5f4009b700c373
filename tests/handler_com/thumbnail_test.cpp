// The thumbnail provider of the built DLL, driven as the shell drives it: the
// stored preview of a file's content as a bitmap of the size asked for, or a
// failure with no bitmap, so that the file keeps its icon.
#include <gtest/gtest.h>

#include <windows.h>
#include <propsys.h>
#include <thumbcache.h>

#include <cstdint>
#include <string>
#include <vector>

#include "handler_dll.h"
#include "server_test.h"
#include "png_bytes.h"
#include "resource_counts.h"
#include "scripted_stream.h"
#include "thumbnail_fixtures.h"

namespace {

using tamsel::ComPtr;
using thumbnail_test::ExpectPattern;
using thumbnail_test::PatternPng;
using thumbnail_test::Thumbnail;
using thumbnail_test::UniqueContent;

class ThumbnailProvider : public BuiltServerTest {
protected:
    // One provider's thumbnail of `content` at `cx`.
    static Thumbnail ThumbnailOf(const std::vector<std::uint8_t>& content, UINT cx) {
        ScriptedStream stream(content);
        Thumbnail thumbnail;
        {
            ComPtr<IThumbnailProvider> provider = InitializedThumbnailProvider(&stream);
            EXPECT_TRUE(provider) << "no initialised provider";
            if (provider) thumbnail = Thumbnail::Get(provider.get(), cx);
        }
        EXPECT_EQ(stream.refs(), 1) << "the provider still holds the stream";
        EXPECT_EQ(stream.other_calls(), 0) << "the stream was asked for more than reads";
        return thumbnail;
    }
};

TEST_F(ThumbnailProvider, FitsTheStoredPictureIntoTheSizeAskedForNeverEnlarged) {
    const struct {
        int width, height;
        UINT cx;
        int thumbnail_width, thumbnail_height;
    } cases[] = {
        {512, 384, 32, 32, 24},   {512, 384, 96, 96, 72},    {512, 384, 256, 256, 192},
        {512, 384, 1024, 512, 384}, {400, 200, 32, 32, 16},  {400, 200, 96, 96, 48},
        {400, 200, 256, 256, 128},  {400, 200, 1024, 400, 200}, {300, 500, 96, 58, 96},
        {400, 200, 400, 400, 200},  {400, 200, 0xFFFFFFFF, 400, 200},
    };
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.width) + " x " + std::to_string(c.height) + " at " +
                                  std::to_string(c.cx);
        const std::vector<std::uint8_t> content = UniqueContent(label);
        const thumbnail_test::StoredFile stored(content, PatternPng(c.width, c.height));
        const Thumbnail thumbnail = ThumbnailOf(content, c.cx);
        ASSERT_EQ(thumbnail.result, S_OK) << label;
        ASSERT_TRUE(thumbnail.bitmap) << label;
        EXPECT_EQ(thumbnail.alpha, WTSAT_RGB) << label;
        EXPECT_EQ(thumbnail.bits_per_pixel, 32) << label;
        EXPECT_EQ(thumbnail.width, c.thumbnail_width) << label;
        EXPECT_EQ(thumbnail.height, c.thumbnail_height) << label;
        ExpectPattern(thumbnail, label);
        if (c.width == 512 && c.cx == 256) {
            thumbnail.SaveAsPng(TAMSEL_TEST_BIN_DIR L"/tests/handler_com/thumbnail_512x384_at_256.png");
        }
    }
}

TEST_F(ThumbnailProvider, AskedAgainGivesTheSamePictureAtTheNewSize) {
    const std::vector<std::uint8_t> content = UniqueContent("asked again");
    const thumbnail_test::StoredFile stored(content, PatternPng(512, 384));
    ScriptedStream stream(content);
    {
        ComPtr<IThumbnailProvider> provider = InitializedThumbnailProvider(&stream);
        ASSERT_TRUE(provider);
        const Thumbnail large = Thumbnail::Get(provider.get(), 256);
        const Thumbnail small = Thumbnail::Get(provider.get(), 96);
        EXPECT_EQ(large.width, 256);
        EXPECT_EQ(small.width, 96);
        ExpectPattern(small, "asked again at 96");
    }
    EXPECT_EQ(stream.reads(), 1) << "the content is hashed once";
}

TEST_F(ThumbnailProvider, FailsWithoutABitmapWhenThereIsNothingToShow) {
    const std::vector<std::uint8_t> no_picture = UniqueContent("no picture");
    const std::vector<std::uint8_t> not_png = UniqueContent("not a PNG");
    const thumbnail_test::StoredFile text(not_png, {'I', 'S', 'O', '-', '1', '0', '3', '0', '3', '-', '2', '1'});
    const std::vector<std::uint8_t> too_large = UniqueContent("2049 wide");
    const thumbnail_test::StoredFile wide(too_large, PatternPng(2049, 4));

    const struct {
        const char* label;
        std::vector<std::uint8_t> content;
        bool read_fails;
    } cases[] = {
        {"no key: the first read fails", UniqueContent("read fails"), true},
        {"no stored picture", no_picture, false},
        {"stored file is not a PNG", not_png, false},
        {"stored picture 2,049 pixels wide", too_large, false},
    };
    for (const auto& c : cases) {
        ScriptedStream stream(c.content);
        if (c.read_fails) stream.Script(0, {0, E_FAIL});
        Thumbnail thumbnail;
        {
            ComPtr<IThumbnailProvider> provider = InitializedThumbnailProvider(&stream);
            ASSERT_TRUE(provider) << c.label;
            thumbnail = Thumbnail::Get(provider.get(), 256);
        }
        EXPECT_TRUE(FAILED(thumbnail.result)) << c.label;
        EXPECT_FALSE(thumbnail.bitmap) << c.label;
        EXPECT_EQ(stream.refs(), 1) << c.label << ": the stream is still held";
    }
}

TEST_F(ThumbnailProvider, ArgumentsAndInitialisationRules) {
    const std::vector<std::uint8_t> content = UniqueContent("arguments");
    const thumbnail_test::StoredFile stored(content, PatternPng(40, 30));
    ScriptedStream stream(content);
    ComPtr<IInitializeWithStream> init;
    ASSERT_EQ(CreateObjectOf(kThumbnailClassId, IID_IInitializeWithStream, init.put()), S_OK);
    ComPtr<IThumbnailProvider> provider;
    ASSERT_EQ(init->QueryInterface(IID_PPV_ARGS(provider.put())), S_OK);
    EXPECT_EQ(dll.DllCanUnloadNow(), S_FALSE) << "a live provider must keep the module";

    HBITMAP bitmap = reinterpret_cast<HBITMAP>(0x1);
    WTS_ALPHATYPE alpha = WTSAT_ARGB;
    EXPECT_EQ(provider->GetThumbnail(256, &bitmap, &alpha), E_UNEXPECTED) << "before Initialize";
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(init->Initialize(nullptr, STGM_READ), E_INVALIDARG);
    EXPECT_EQ(init->Initialize(&stream, STGM_READ), S_OK);
    EXPECT_EQ(stream.refs(), 2) << "one reference kept";
    ScriptedStream second(content);
    EXPECT_EQ(init->Initialize(&second, STGM_READ), HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(second.refs(), 1);

    bitmap = reinterpret_cast<HBITMAP>(0x1);
    EXPECT_EQ(provider->GetThumbnail(256, &bitmap, nullptr), E_POINTER);
    EXPECT_EQ(bitmap, nullptr);
    alpha = WTSAT_ARGB;
    EXPECT_EQ(provider->GetThumbnail(256, nullptr, &alpha), E_POINTER);
    bitmap = reinterpret_cast<HBITMAP>(0x1);
    EXPECT_EQ(provider->GetThumbnail(0, &bitmap, &alpha), E_INVALIDARG);
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(stream.reads(), 0) << "refused calls read nothing";

    const Thumbnail thumbnail = Thumbnail::Get(provider.get(), 256);
    EXPECT_EQ(thumbnail.result, S_OK);
    EXPECT_EQ(thumbnail.width, 40) << "a small picture keeps its size";
    EXPECT_EQ(stream.refs(), 1) << "the stream goes back once hashed";

    // One table: IUnknown is the same object whichever way it is asked for.
    ComPtr<IUnknown> through_init, through_provider;
    ASSERT_EQ(init->QueryInterface(IID_IUnknown, through_init.put_void()), S_OK);
    ASSERT_EQ(provider->QueryInterface(IID_IUnknown, through_provider.put_void()), S_OK);
    EXPECT_EQ(through_init.get(), through_provider.get());
    for (const IID* lacking : {&IID_IPreviewHandler, &IID_IObjectWithSite, &IID_IClassFactory}) {
        void* other = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(provider->QueryInterface(*lacking, &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
    }
}

// The class factory makes the class it was asked for; the preview handler's
// class still gives a handler, which is no thumbnail provider.
TEST_F(ThumbnailProvider, EachClassIdentifierGivesItsOwnClass) {
    ComPtr<IThumbnailProvider> provider;
    EXPECT_EQ(CreateObjectOf(kThumbnailClassId, __uuidof(IThumbnailProvider), provider.put()), S_OK);
    ComPtr<IPreviewHandler> no_handler;
    EXPECT_EQ(CreateObjectOf(kThumbnailClassId, IID_IPreviewHandler, no_handler.put()), E_NOINTERFACE);
    EXPECT_FALSE(no_handler);
    ComPtr<IPreviewHandler> handler;
    EXPECT_EQ(CreateObjectOf(kHandlerClassId, IID_IPreviewHandler, handler.put()), S_OK);
    ComPtr<IThumbnailProvider> no_provider;
    EXPECT_EQ(CreateObjectOf(kHandlerClassId, __uuidof(IThumbnailProvider), no_provider.put()), E_NOINTERFACE);
    EXPECT_FALSE(no_provider);
    provider.reset();
    handler.reset();
}

TEST_F(ThumbnailProvider, LeavesNoGdiObjectBehind) {
    const std::vector<std::uint8_t> with_picture = UniqueContent("leak, picture");
    const thumbnail_test::StoredFile stored(with_picture, PatternPng(512, 384));
    const std::vector<std::uint8_t> without_picture = UniqueContent("leak, no picture");
    // The first thumbnail starts GDI+ and the decoder: that stays for the next ones.
    ThumbnailOf(with_picture, 96);
    ThumbnailOf(without_picture, 96);

    const long before = resource_counts::CountGdiObjects();
    ASSERT_GE(before, 0);
    long held = 0;
    for (int i = 0; i < 100; ++i) {
        const Thumbnail thumbnail = ThumbnailOf(with_picture, i % 2 ? 256 : 32);
        ASSERT_EQ(thumbnail.result, S_OK);
        // The bitmap is the caller's until it deletes it.
        if (i == 0) held = resource_counts::CountGdiObjects() - before;
        ThumbnailOf(without_picture, 256);
    }
    EXPECT_EQ(held, 1) << "the returned bitmap must be the one GDI object left to the caller";
    EXPECT_LE(resource_counts::CountGdiObjects() - before, 2);
}

}  // namespace
