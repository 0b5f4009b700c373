// The thumbnail provider that Explorer asks for an .ifc file's picture in icon
// views and file dialogs: the stored preview, fitted into the size asked for.
#pragma once

#include <windows.h>
#include <propsys.h>
#include <thumbcache.h>

#include <optional>
#include <string>

#include "win32_raii.h"
#include "server_object.h"

namespace tamsel {

class TamselThumbnailProvider final : public ServerObject<IInitializeWithStream, IThumbnailProvider> {
public:
    TamselThumbnailProvider() = default;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;

    // IInitializeWithStream: once per object.
    IFACEMETHODIMP Initialize(IStream* stream, DWORD mode) override;

    // IThumbnailProvider: a failure, with a null bitmap, when the file has no
    // loadable stored picture, so that Explorer keeps the file's icon.
    IFACEMETHODIMP GetThumbnail(UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override;

private:
    const std::wstring& Key();
    bool initialized() const { return stream_ || key_; }

    ComPtr<IStream> stream_;
    // Hashed at the first GetThumbnail; the stream is given back then.
    std::optional<std::wstring> key_;
};

}  // namespace tamsel
