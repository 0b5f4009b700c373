// preview_host: shows one file in a preview handler the way the shell's preview
// host does, in a window of its own, and saves what the handler drew.
//
//   preview_host <file> [--size WxH] [--save a.png] [--resize WxH --save b.png]... [--report]
//
// Prints one line per call with its HRESULT; with --report also the type key,
// class, server path and peak working set as name=value lines.
// Exit status: 0 all calls succeeded, 1 a call failed, 2 no handler is
// registered for the file's extension, 64 bad arguments, 70 a crash.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "crash_exit.h"
#include "gdiplus_scope.h"
#include "win32_raii.h"
#include "command_line.h"
#include "handler_lookup.h"
#include "host_output.h"
#include "host_site.h"
#include "host_window.h"
#include "pane_capture.h"

namespace tamsel {
namespace {

std::wstring SizeText(const PaneSize& size) {
    return std::to_wstring(size.width) + L"x" + std::to_wstring(size.height);
}

bool ApplyClientRect(IPreviewHandler* handler, const HostWindow& window) {
    const RECT client = window.ClientRect();
    return Report(L"SetRect", handler->SetRect(&client));
}

// Site, stream, window and preview, then the requested resizes and captures.
bool ShowPreview(IPreviewHandler* handler, const HostOptions& options, HostWindow& window) {
    ComPtr<IObjectWithSite> with_site;
    if (!Report(L"QueryInterface(IObjectWithSite)", handler->QueryInterface(IID_PPV_ARGS(with_site.put()))))
        return false;
    ComPtr<IPreviewHandlerFrame> site;
    site.attach(new (std::nothrow) HostSite);
    if (!Report(L"SetSite", site ? with_site->SetSite(site.get()) : E_OUTOFMEMORY)) return false;

    ComPtr<IStream> stream;
    if (!Report(L"SHCreateStreamOnFileEx",
                SHCreateStreamOnFileEx(options.file.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                       FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.put())))
        return false;
    ComPtr<IInitializeWithStream> with_stream;
    if (!Report(L"QueryInterface(IInitializeWithStream)",
                handler->QueryInterface(IID_PPV_ARGS(with_stream.put()))) ||
        !Report(L"Initialize", with_stream->Initialize(stream.get(), STGM_READ)))
        return false;

    const RECT client = window.ClientRect();
    if (!Report(L"SetWindow", handler->SetWindow(window.handle(), &client)) || !ApplyClientRect(handler, window) ||
        !Report(L"DoPreview", handler->DoPreview()))
        return false;
    PumpMessagesUntilIdle();

    for (const HostAction& action : options.actions) {
        if (action.kind == HostAction::Kind::Resize) {
            if (!Report(L"ResizeWindow " + SizeText(action.size), window.Resize(action.size.width, action.size.height)) ||
                !ApplyClientRect(handler, window))
                return false;
            PumpMessagesUntilIdle();
        } else if (!Report(L"SavePng " + action.path, SaveClientAreaAsPng(window.handle(), action.path))) {
            return false;
        }
    }
    return true;
}

bool PreviewWithHandler(const CLSID& clsid, const HostOptions& options) {
    const GdiplusScope gdiplus;
    if (!Report(L"GdiplusStartup", gdiplus.ok() ? S_OK : E_FAIL)) return false;
    HostWindow window;
    if (!Report(L"CreateWindow " + SizeText(options.size), window.Open(options.size.width, options.size.height)))
        return false;

    IPreviewHandler* handler = nullptr;
    if (!Report(L"CoCreateInstance", CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                                      IID_PPV_ARGS(&handler))))
        return false;
    bool ok = ShowPreview(handler, options, window);
    ok = Report(L"Unload", handler->Unload()) && ok;
    Print(L"Release count=" + std::to_wstring(handler->Release()));
    return ok;
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

int Run(const HostOptions& options) {
    const std::wstring extension = PathFindExtensionW(options.file.c_str());
    ShellExtensionEntry entry;
    const HRESULT found = FindShellExtension(extension, kPreviewHandlerSlot, entry);
    if (!Report(L"FindPreviewHandler " + extension, found)) {
        Print(L"no preview handler registered for \"" + extension + L"\" (type key \"" + entry.type_key + L"\")");
        return found == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? kExitNothingRegistered : kExitFailed;
    }
    if (options.report) {
        Print(L"type_key=" + entry.type_key);
        Print(L"clsid=" + entry.clsid_text);
        Print(L"dll=" + entry.server_path);
    }

    if (!Report(L"CoInitializeEx", CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return kExitFailed;
    const bool ok = PreviewWithHandler(entry.clsid, options);
    CoFreeUnusedLibraries();
    Print(L"CoFreeUnusedLibraries");
    CoUninitialize();
    Print(L"CoUninitialize");

    if (options.report) Print(L"peak_working_set_bytes=" + std::to_wstring(PeakWorkingSet()));
    return ok ? 0 : kExitFailed;
}

}  // namespace
}  // namespace tamsel

int wmain(int argc, wchar_t** argv) {
    tamsel::ExitWithCodeOnCrash(tamsel::kExitCrashed);
    _setmode(_fileno(stdout), _O_BINARY);  // plain LF lines for the scripts that read them
    try {
        tamsel::HostOptions options;
        std::wstring error;
        if (!tamsel::ParseHostArguments(std::vector<std::wstring>(argv + 1, argv + argc), options, error)) {
            tamsel::Print(L"preview_host: " + error);
            tamsel::Print(L"usage: preview_host <file> [--size WxH] [--save PNG | --resize WxH]... [--report]");
            return tamsel::kExitUsage;
        }
        return tamsel::Run(options);
    } catch (...) {
        std::fputs("preview_host: out of memory\n", stdout);
        return tamsel::kExitFailed;
    }
}
