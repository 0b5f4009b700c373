// thumbnail_host: asks the thumbnail provider registered for a file's type for
// its thumbnail, the way Explorer does, and saves it.
//
//   thumbnail_host <file> <size> <thumbnail.png>
//
// Finds the class in the type's thumbnail slot, creates it through COM, hands
// it the file as a stream and asks for a thumbnail that fits size x size.
// Prints one line per call with its HRESULT, then "thumbnail=WxH alpha=N".
// Exit status: 0 a thumbnail was saved, 1 a call failed, 2 no provider is
// registered for the file's extension, 64 bad arguments, 70 a crash.
#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <cwchar>
#include <string>

#include "crash_exit.h"
#include "gdiplus_scope.h"
#include "win32_raii.h"
#include "handler_lookup.h"
#include "host_output.h"
#include "pane_capture.h"

namespace tamsel {
namespace {

class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

bool SaveThumbnail(const CLSID& clsid, const std::wstring& file, UINT size, const std::wstring& png) {
    ComPtr<IThumbnailProvider> provider;
    if (!Report(L"CoCreateInstance",
                CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(provider.put())))) {
        return false;
    }
    ComPtr<IInitializeWithStream> with_stream;
    ComPtr<IStream> stream;
    if (!Report(L"QueryInterface(IInitializeWithStream)", provider->QueryInterface(IID_PPV_ARGS(with_stream.put()))) ||
        !Report(L"SHCreateStreamOnFileEx", SHCreateStreamOnFileEx(file.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                                                  FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.put())) ||
        !Report(L"Initialize", with_stream->Initialize(stream.get(), STGM_READ))) {
        return false;
    }
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    if (!Report(L"GetThumbnail " + std::to_wstring(size), provider->GetThumbnail(size, &bitmap, &alpha))) return false;
    const UniqueGdiObject owned(bitmap);
    BITMAP header = {};
    if (!bitmap || GetObjectW(bitmap, sizeof header, &header) == 0) return Report(L"GetObject", E_POINTER);
    Print(L"thumbnail=" + std::to_wstring(header.bmWidth) + L"x" + std::to_wstring(header.bmHeight) +
          L" alpha=" + std::to_wstring(alpha));
    return Report(L"Save " + png, SaveTopDownBitmapAsPng(bitmap, png));
}

int Run(const std::wstring& file, UINT size, const std::wstring& png) {
    const std::wstring extension = PathFindExtensionW(file.c_str());
    ShellExtensionEntry entry;
    const HRESULT found = FindShellExtension(extension, kThumbnailProviderSlot, entry);
    if (!Report(L"FindThumbnailProvider " + extension, found)) {
        return found == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? kExitNothingRegistered : kExitFailed;
    }
    const ComScope com;
    if (!Report(L"CoInitializeEx", com.result())) return kExitFailed;
    const GdiplusScope gdiplus;
    if (!Report(L"GdiplusStartup", gdiplus.ok() ? S_OK : E_FAIL)) return kExitFailed;
    return SaveThumbnail(entry.clsid, file, size, png) ? 0 : kExitFailed;
}

}  // namespace
}  // namespace tamsel

int wmain(int argc, wchar_t** argv) {
    tamsel::ExitWithCodeOnCrash(tamsel::kExitCrashed);
    try {
        wchar_t* end = nullptr;
        const unsigned long size = argc == 4 ? std::wcstoul(argv[2], &end, 10) : 0;
        if (argc != 4 || *end != L'\0' || size == 0 || size > 8192) {
            tamsel::Print(L"usage: thumbnail_host <file> <size 1..8192> <thumbnail.png>");
            return tamsel::kExitUsage;
        }
        return tamsel::Run(argv[1], static_cast<UINT>(size), argv[3]);
    } catch (...) {
        return tamsel::kExitFailed;
    }
}
