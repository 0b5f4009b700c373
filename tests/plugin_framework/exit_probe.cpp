// A viewer that never calls on_plugin_unload, or does: it loads tamsel.dll,
// lets the plugin load, notes in a log each GDI+ shutdown that the plugin's code
// makes from then on, and ends in the way its argument names:
//   exit_probe <tamsel.dll> <log> unload|free|exit
// "unload" calls on_plugin_unload, then FreeLibrary; "free" only FreeLibrary;
// "exit" ends the process with the plugin loaded. Each way notes itself in the
// log before it starts, so the log shows which calls came at which step, and
// after a FreeLibrary whether the module is still loaded.
#include <windows.h>
#include <objidl.h>  // PROPID, left out by WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include <cstring>
#include <string_view>

#include "import_hook.h"

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;
decltype(&Gdiplus::GdiplusShutdown) g_real_shutdown = nullptr;

void Note(const char* line) {
    DWORD written = 0;
    WriteFile(g_log, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    WriteFile(g_log, "\r\n", 2, &written, nullptr);
}

void WINAPI NotedShutdown(ULONG_PTR token) {
    Note("GdiplusShutdown");
    g_real_shutdown(token);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    g_log = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (g_log == INVALID_HANDLE_VALUE) return 3;
    const HMODULE plugin = LoadLibraryW(argv[1]);
    if (!plugin) return 4;
    g_real_shutdown = reinterpret_cast<decltype(g_real_shutdown)>(test_support::RedirectImport(
        plugin, "gdiplus.dll", "GdiplusShutdown", reinterpret_cast<void*>(NotedShutdown)));
    const auto on_plugin_load = reinterpret_cast<void(WINAPI*)(UINT32, BYTE, HWND)>(
        reinterpret_cast<void (*)()>(GetProcAddress(plugin, "on_plugin_load")));
    const auto on_plugin_unload =
        reinterpret_cast<void (*)()>(reinterpret_cast<void (*)()>(GetProcAddress(plugin, "on_plugin_unload")));
    if (!g_real_shutdown || !on_plugin_load || !on_plugin_unload) return 5;

    on_plugin_load(7, 1, nullptr);  // starts GDI+
    const auto free_plugin = [&] {
        Note("free");
        FreeLibrary(plugin);
        Note(GetModuleHandleW(argv[1]) ? "still loaded" : "unloaded");
    };
    const std::wstring_view way = argv[3];
    if (way == L"unload") {
        Note("unload");
        on_plugin_unload();
        free_plugin();
    } else if (way == L"free") {
        free_plugin();
    } else {
        Note("exit");
    }
    return 0;
}
