#include "form_fixtures.h"

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "gdiplus_scope.h"
#include "png_encoder.h"
#include "preview_store.h"
#include "scripted_stream.h"

namespace form_test {

namespace {

// The tests save their captures with GDI+ of their own, independent of the form's.
class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(gdiplus_.emplace().ok()); }
    void TearDown() override { gdiplus_.reset(); }

private:
    std::optional<tamsel::GdiplusScope> gdiplus_;
};
::testing::Environment* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

std::wstring GuidText() {
    GUID guid;
    if (FAILED(CoCreateGuid(&guid))) throw std::runtime_error("CoCreateGuid");
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

SIZE ClientSize(HWND hwnd) {
    RECT client = {};
    GetClientRect(hwnd, &client);
    return {client.right, client.bottom};
}

}  // namespace

std::vector<std::uint8_t> Bmp(int width, int height, COLORREF colour) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::vector<std::uint8_t> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof file);
    std::memcpy(bytes.data() + sizeof file, &info, sizeof info);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bytes.data() + file.bfOffBits + y * stride + x * 3;
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
        }
    }
    return bytes;
}

COLORREF QuarterColour(bool right, bool bottom) {
    static const COLORREF colours[2][2] = {{RGB(220, 30, 30), RGB(30, 160, 60)}, {RGB(30, 60, 200), RGB(240, 200, 20)}};
    return colours[bottom][right];
}

std::vector<std::uint8_t> QuartersPng(int width, int height) {
    return Png(width, height, [=](int x, int y) { return QuarterColour(x >= width / 2, y >= height / 2); });
}

ModuleCopy::ModuleCopy(const std::vector<std::uint8_t>* texts_file) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"tamsel-pane-" + GuidText() + L"\\";
    if (!CreateDirectoryW(folder_.c_str(), nullptr)) throw std::runtime_error("cannot make a module folder");
    const std::wstring copy = folder_ + L"tamsel_handler.dll";
    if (!CopyFileW(TAMSEL_TEST_MODULE, copy.c_str(), TRUE)) throw std::runtime_error("cannot copy the test module");
    if (texts_file) store_fixtures::WriteWholeFile(texts_file_path(), *texts_file);
    module_ = LoadLibraryW(copy.c_str());
    if (!module_) throw std::runtime_error("cannot load the test module");
}

ModuleCopy::~ModuleCopy() {
    FreeLibrary(module_);
    DeleteFileW(texts_file_path().c_str());
    DeleteFileW((folder_ + L"tamsel_handler.dll").c_str());
    RemoveDirectoryW(folder_.c_str());
}

COLORREF Capture::At(int x, int y) const {
    const std::uint32_t p = pixels.at(static_cast<std::size_t>(y) * width + x);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Capture::CountOther(int left, int top, int right, int bottom, COLORREF background) const {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) count += At(x, y) != background;
    }
    return count;
}

int Capture::FirstOtherColumn(int left, int top, int right, int bottom, COLORREF background) const {
    for (int x = left; x < right; ++x) {
        for (int y = top; y < bottom; ++y) {
            if (At(x, y) != background) return x;
        }
    }
    return -1;
}

void Capture::SavePng(const std::wstring& path) const {
    std::vector<std::uint32_t> copy = pixels;
    Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(copy.data()));
    CLSID encoder;
    if (!tamsel::FindPngEncoder(&encoder)) throw std::runtime_error("no PNG encoder");
    if (bitmap.Save(path.c_str(), &encoder, nullptr) != Gdiplus::Ok) throw std::runtime_error("cannot save a capture");
}

Capture PrintClient(HWND hwnd) {
    const SIZE size = ClientSize(hwnd);
    return {size.cx, size.cy, tamsel_test::PrintClientPixels(hwnd, size.cx, size.cy)};
}

Capture ScreenPixels(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages();
    const SIZE size = ClientSize(hwnd);
    const tamsel_test::PixelSurface surface(size.cx, size.cy);
    const HDC window_dc = GetDC(hwnd);
    BitBlt(surface.dc(), 0, 0, size.cx, size.cy, window_dc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, window_dc);
    return {size.cx, size.cy, surface.Pixels()};
}

::testing::AssertionResult Near(COLORREF a, COLORREF b, int tolerance) {
    if (std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
        std::abs(GetBValue(a) - GetBValue(b)) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "colour " << +GetRValue(a) << "," << +GetGValue(a) << "," << +GetBValue(a)
                                         << " is not near " << +GetRValue(b) << "," << +GetGValue(b) << "," << +GetBValue(b);
}

std::wstring ScreenshotFolder() {
    const std::wstring folder = std::wstring(TAMSEL_TEST_BIN_DIR) + L"/handler_form_screens/";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

}  // namespace form_test
