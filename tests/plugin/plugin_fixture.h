// Loads the real tamsel.dll into this test program (the fake viewer) afresh for
// every test, so module state such as the dialog's first showing starts anew.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gdiplus_scope.h"
#include "fake_host.h"

namespace plugin_test {

// An export of `module` as a typed function pointer; null when missing.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A model file with content of its own, so no other test or earlier run has a
// preview for it. Removes the file and its preview when done.
class UniqueModel {
public:
    UniqueModel();
    ~UniqueModel();
    UniqueModel(const UniqueModel&) = delete;
    UniqueModel& operator=(const UniqueModel&) = delete;

    const std::wstring& path() const { return path_; }
    const std::wstring& key() const { return key_; }
    const std::wstring& preview_path() const { return preview_path_; }
    // Files in the store whose names start with the key, the preview included.
    std::vector<std::wstring> StoreFilesOfKey() const;

private:
    std::wstring path_, key_, preview_path_;
};

struct Pixels {
    int width = 0;
    int height = 0;
    Gdiplus::PixelFormat format = 0;
    std::vector<COLORREF> colors;  // top-down rows
    COLORREF at(int x, int y) const { return colors[static_cast<std::size_t>(y) * width + x]; }
};

// The file decoded by GDI+; width 0 when it does not decode.
Pixels DecodeFile(const std::wstring& path);
// Writes a PNG of one colour.
void WriteSolidPng(const std::wstring& path, int width, int height, COLORREF color);
// The whole file; empty when it cannot be read.
std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
bool FileExists(const std::wstring& path);

// What the client area of a window shows, read back from its window DC.
Pixels CaptureClient(HWND window);
Pixels CaptureWindow(HWND window);
void SavePixelsAsPng(const Pixels& pixels, const std::wstring& path);

// The dialog's controls besides Yes and No.
inline constexpr int kImageId = 100, kQuestionId = 101, kHeadingId = 102;

// The visible replace-preview dialog of this process, or null.
HWND FindVisibleDialog();

// Waits on a helper thread for the dialog to show, then runs `visit` with it;
// the visit answers it. Stops waiting when destroyed without a dialog seen.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND dialog)> visit);
    ~DialogDriver();
    bool saw_dialog() const { return seen_; }

private:
    std::function<void(HWND)> visit_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

enum class Answer { Yes, No, Enter, Escape, CloseBox };
// Answers from another thread, as a user would: a click, a key, the close box.
void AnswerDialog(HWND dialog, Answer answer);
// Waits until the dialog is hidden again; false after the timeout.
bool WaitUntilHidden(HWND dialog, DWORD timeout_ms);

class PluginFixture : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    void LoadPlugin();
    void UnloadPlugin();
    // The viewer's model-load event with `path` as the loaded file.
    void LoadModel(const std::wstring& path);
    void PressButton();
    std::wstring DataFolder() const;

    HMODULE module = nullptr;
    HWND viewer = nullptr;
    bool loaded = false;
    void(WINAPI* on_plugin_load)(std::uint32_t, std::uint8_t, HWND) = nullptr;
    void (*on_plugin_unload)() = nullptr;

private:
    static std::optional<tamsel::GdiplusScope> gdiplus;
};

}  // namespace plugin_test
