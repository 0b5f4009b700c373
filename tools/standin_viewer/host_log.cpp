#include "host_log.h"

#include <windows.h>

#include <mutex>

#include "win32_raii.h"

namespace standin {
namespace {

std::mutex g_log_mutex;
tamsel::UniqueFile g_log_file;
bool g_stamping = false;
LARGE_INTEGER g_stamp_origin{};
LARGE_INTEGER g_stamp_frequency{};

std::string Stamp() {
    if (!g_stamping) return {};
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const long long ticks = now.QuadPart - g_stamp_origin.QuadPart;
    // Whole seconds and the rest apart, so that the product cannot overflow.
    const long long microseconds = ticks / g_stamp_frequency.QuadPart * 1000000 +
                                   ticks % g_stamp_frequency.QuadPart * 1000000 / g_stamp_frequency.QuadPart;
    return "@" + std::to_string(microseconds) + " ";
}

void WriteLine(const std::string& line) {
    const std::lock_guard<std::mutex> lock(g_log_mutex);
    if (!g_log_file) return;
    const std::string bytes = Stamp() + line + "\r\n";
    DWORD written = 0;
    WriteFile(g_log_file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

bool OpenLog(const std::wstring& path) {
    tamsel::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const std::lock_guard<std::mutex> lock(g_log_mutex);
    g_log_file = std::move(file);
    return true;
}

void CloseLog() {
    const std::lock_guard<std::mutex> lock(g_log_mutex);
    g_log_file.reset();
}

void StampLogLines() {
    const std::lock_guard<std::mutex> lock(g_log_mutex);
    QueryPerformanceFrequency(&g_stamp_frequency);
    QueryPerformanceCounter(&g_stamp_origin);
    g_stamping = true;
}

void LogViewer(const std::string& text) { WriteLine("[viewer] " + text); }

void LogCall(const char* name, std::initializer_list<std::string> args, const std::string& result) {
    std::string line = name;
    line += '(';
    bool first = true;
    for (const std::string& arg : args) {
        if (!first) line += ", ";
        line += arg;
        first = false;
    }
    line += ')';
    if (!result.empty()) line += " -> " + result;
    WriteLine(line);
}

std::string Quoted(const wchar_t* text) { return text ? '"' + Utf8(text) + '"' : "null"; }
std::string Quoted(const char* text) { return text ? '"' + std::string(text) + '"' : "null"; }

std::string RectText(long left, long top, long right, long bottom) {
    return std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
           std::to_string(bottom);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(), size);
    return result;
}

}  // namespace standin
