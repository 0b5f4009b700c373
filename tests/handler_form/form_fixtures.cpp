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

void WriteFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a test file");
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write a test file");
}

SIZE ClientSize(HWND hwnd) {
    RECT client = {};
    GetClientRect(hwnd, &client);
    return {client.right, client.bottom};
}

}  // namespace

std::vector<std::uint8_t> UniqueContent() {
    const std::wstring text = L"ISO-10303-21; pane test " + GuidText();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return {bytes, bytes + text.size() * sizeof(wchar_t)};
}

std::wstring KeyOf(const std::vector<std::uint8_t>& content) {
    ScriptedStream stream(content);
    return tamsel::ComputePreviewKey(&stream);
}

StoredFile::StoredFile(const std::vector<std::uint8_t>& content, const std::vector<std::uint8_t>& file_bytes) {
    CreateDirectoryW(tamsel::GetPreviewStoreFolder().c_str(), nullptr);
    path_ = tamsel::GetPreviewFilePath(KeyOf(content));
    if (path_.empty()) throw std::runtime_error("no store path");
    WriteFile(path_, file_bytes);
}

StoredFile::~StoredFile() { DeleteFileW(path_.c_str()); }

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBigEndian(png, Crc32(png.data() + start, png.size() - start));
}

}  // namespace

std::vector<std::uint8_t> Png(int width, int height, const PixelFunction& pixel) {
    std::vector<std::uint8_t> raw;  // each row: filter type 0, then R G B per pixel
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixel(x, y);
            raw.insert(raw.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    }
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        const auto length = static_cast<std::uint16_t>(std::min<std::size_t>(65535, raw.size() - at));
        zlib.push_back(at + length >= raw.size() ? 1 : 0);  // stored block, final or not
        zlib.insert(zlib.end(), {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(~length), static_cast<std::uint8_t>(~length >> 8)});
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
    }
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, (b << 16) | a);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

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
    if (texts_file) WriteFile(texts_file_path(), *texts_file);
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
