#include "plugin_fixture.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <chrono>
#include <cstdint>

#include "png_encoder.h"
#include "preview_store.h"
#include "shared_file.h"

namespace plugin_test {
namespace {

std::wstring GuidText() {
    GUID guid;
    EXPECT_EQ(CoCreateGuid(&guid), S_OK);
    wchar_t text[64] = {};
    StringFromGUID2(guid, text, 64);
    return text;
}

void SaveBitmap(Gdiplus::Bitmap& bitmap, const std::wstring& path) {
    CLSID png;
    ASSERT_TRUE(tamsel::FindPngEncoder(&png));
    ASSERT_EQ(bitmap.Save(path.c_str(), &png, nullptr), Gdiplus::Ok) << fake::Narrow(path.c_str());
}

Pixels CaptureFrom(HDC source, int width, int height) {
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* bgra = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        pixels.colors.push_back(RGB(bgra[i * 4 + 2], bgra[i * 4 + 1], bgra[i * 4]));
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

BOOL CALLBACK FindDialogOfProcess(HWND window, LPARAM found) {
    // Reads the caption without a message: the window's thread may be busy.
    using InternalText = int(WINAPI*)(HWND, LPWSTR, int);
    static const auto internal_text =
        ProcAddress<InternalText>(GetModuleHandleW(L"user32.dll"), "InternalGetWindowText");
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[16] = {}, caption[16] = {};
    GetClassNameW(window, class_name, 16);
    internal_text(window, caption, 16);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && lstrcmpW(class_name, L"#32770") == 0 &&
        lstrcmpW(caption, L"Tamsel") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

UniqueModel::UniqueModel() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring guid = GuidText();
    path_ = std::wstring(temp) + L"tamsel_model_" + guid + L".ifc";
    const std::string content = "ISO-10303-21;\nHEADER;\n/* " + fake::Narrow(guid.c_str()) +
                                " */\nENDSEC;\nEND-ISO-10303-21;\n";
    WriteBytes(path_, std::vector<std::uint8_t>(content.begin(), content.end()));
    key_ = tamsel::ComputePreviewKeyOfFile(path_);
    preview_path_ = tamsel::GetPreviewFilePath(key_);
    EXPECT_EQ(key_.size(), 16u);
}

UniqueModel::~UniqueModel() {
    DeleteFileW(path_.c_str());
    for (const std::wstring& file : StoreFilesOfKey()) DeleteFileW(file.c_str());
}

std::vector<std::wstring> UniqueModel::StoreFilesOfKey() const {
    std::vector<std::wstring> files;
    const std::wstring folder = tamsel::GetPreviewStoreFolder();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + key_ + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        files.push_back(folder + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

Pixels DecodeFile(const std::wstring& path) {
    Pixels pixels;
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    if (bytes.empty()) return pixels;
    IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    if (!stream) return pixels;
    {
        Gdiplus::Bitmap bitmap(stream);
        if (bitmap.GetLastStatus() == Gdiplus::Ok) {
            pixels.width = static_cast<int>(bitmap.GetWidth());
            pixels.height = static_cast<int>(bitmap.GetHeight());
            pixels.format = bitmap.GetPixelFormat();
            Gdiplus::Rect all(0, 0, pixels.width, pixels.height);
            Gdiplus::BitmapData data;
            if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
                for (int y = 0; y < pixels.height; ++y) {
                    const auto* row = static_cast<const std::uint8_t*>(data.Scan0) + y * data.Stride;
                    for (int x = 0; x < pixels.width; ++x) {
                        pixels.colors.push_back(RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]));
                    }
                }
                bitmap.UnlockBits(&data);
            }
        }
    }
    stream->Release();
    return pixels;
}

void WriteSolidPng(const std::wstring& path, int width, int height, COLORREF color) {
    Gdiplus::Bitmap bitmap(width, height, PixelFormat24bppRGB);
    {
        Gdiplus::Graphics graphics(&bitmap);
        Gdiplus::SolidBrush brush(Gdiplus::Color(GetRValue(color), GetGValue(color), GetBValue(color)));
        graphics.FillRectangle(&brush, 0, 0, width, height);
    }
    SaveBitmap(bitmap, path);
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    return tamsel::ReadSharedFile(path, SIZE_MAX).value_or(std::vector<std::uint8_t>{});
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << fake::Narrow(path.c_str());
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Pixels CaptureClient(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    Pixels pixels = CaptureFrom(dc, client.right, client.bottom);
    ReleaseDC(window, dc);
    return pixels;
}

Pixels CaptureWindow(HWND window) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    HDC dc = GetWindowDC(window);
    Pixels pixels = CaptureFrom(dc, frame.right - frame.left, frame.bottom - frame.top);
    ReleaseDC(window, dc);
    return pixels;
}

void SavePixelsAsPng(const Pixels& pixels, const std::wstring& path) {
    Gdiplus::Bitmap bitmap(pixels.width, pixels.height, PixelFormat24bppRGB);
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const COLORREF c = pixels.at(x, y);
            bitmap.SetPixel(x, y, Gdiplus::Color(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    }
    SaveBitmap(bitmap, path);
}

HWND FindVisibleDialog() {
    HWND found = nullptr;
    EnumWindows(&FindDialogOfProcess, reinterpret_cast<LPARAM>(&found));
    return found;
}

DialogDriver::DialogDriver(std::function<void(HWND dialog)> visit) : visit_(std::move(visit)) {
    thread_ = std::thread([this] {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!stop_ && std::chrono::steady_clock::now() < give_up) {
            if (HWND dialog = FindVisibleDialog()) {
                // Let the dialog's thread finish showing and painting first.
                Sleep(100);
                SendMessageW(dialog, WM_NULL, 0, 0);
                RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                seen_ = true;
                visit_(dialog);
                return;
            }
            Sleep(10);
        }
    });
}

DialogDriver::~DialogDriver() {
    stop_ = true;
    thread_.join();
}

void AnswerDialog(HWND dialog, Answer answer) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    HWND focus = gui.hwndFocus ? gui.hwndFocus : dialog;
    switch (answer) {
    case Answer::Yes:
        PostMessageW(GetDlgItem(dialog, IDYES), BM_CLICK, 0, 0);
        break;
    case Answer::No:
        PostMessageW(GetDlgItem(dialog, IDNO), BM_CLICK, 0, 0);
        break;
    case Answer::Enter:
        PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(focus, WM_KEYUP, VK_RETURN, 0xC01C0001);
        break;
    case Answer::Escape:
        PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        break;
    case Answer::CloseBox:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

bool WaitUntilHidden(HWND dialog, DWORD timeout_ms) {
    for (DWORD waited = 0; waited < timeout_ms; waited += 10) {
        if (!IsWindowVisible(dialog)) return true;
        Sleep(10);
    }
    return false;
}

std::optional<tamsel::GdiplusScope> PluginFixture::gdiplus;

void PluginFixture::SetUpTestSuite() {
    gdiplus.emplace();
    WNDCLASSW viewer_class = {};
    viewer_class.lpfnWndProc = DefWindowProcW;
    viewer_class.hInstance = GetModuleHandleW(nullptr);
    viewer_class.lpszClassName = L"FakeViewerWindow";
    viewer_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&viewer_class);
}

void PluginFixture::TearDownTestSuite() {
    gdiplus.reset();
}

void PluginFixture::SetUp() {
    fake::Host() = fake::HostState{};
    // Tests put previews into the store directly; in a fresh prefix no plugin
    // has made its folder yet.
    SHCreateDirectoryExW(nullptr, tamsel::GetPreviewStoreFolder().c_str(), nullptr);
    viewer = CreateWindowExW(0, L"FakeViewerWindow", L"Fake viewer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 900,
                             700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(viewer, nullptr);
    module = LoadLibraryW(TAMSEL_PLUGIN_DLL);
    ASSERT_NE(module, nullptr) << "cannot load " << fake::Narrow(TAMSEL_PLUGIN_DLL);
    on_plugin_load = ProcAddress<decltype(on_plugin_load)>(module, "on_plugin_load");
    on_plugin_unload = ProcAddress<decltype(on_plugin_unload)>(module, "on_plugin_unload");
    ASSERT_TRUE(on_plugin_load && on_plugin_unload);
}

void PluginFixture::TearDown() {
    if (loaded) UnloadPlugin();
    if (module) {
        FreeLibrary(module);
        EXPECT_EQ(GetModuleHandleW(L"tamsel.dll"), nullptr) << "the plugin stayed loaded";
    }
    if (viewer) DestroyWindow(viewer);
}

void PluginFixture::LoadPlugin() {
    on_plugin_load(fake::kPluginId, 0, viewer);
    loaded = true;
}

void PluginFixture::UnloadPlugin() {
    on_plugin_unload();
    loaded = false;
}

void PluginFixture::LoadModel(const std::wstring& path) {
    fake::Host().loaded_path = path;
    fake::Host().calls.clear();
    const fake::HostCallback model_loaded = fake::Host().events["on_model_load"];
    ASSERT_NE(model_loaded, nullptr);
    model_loaded();
}

void PluginFixture::PressButton() {
    ASSERT_NE(fake::Host().button_callback, nullptr);
    fake::Host().button_callback();
}

std::wstring PluginFixture::DataFolder() const {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1) + L"tamsel_data\\";
}

}  // namespace plugin_test
