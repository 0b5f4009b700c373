#include "pane_picture.h"

#include "win32_raii.h"

namespace tamsel {

void DrawPictureInBox(HDC dc, const StorePicture& picture, const PaneBox& target) noexcept {
    if (target.width <= 0 || target.height <= 0) return;
    // Scaled at the origin of a scratch surface, then copied into place.
    UniqueMemoryDc scratch(CreateCompatibleDC(dc));
    UniqueGdiObject surface(CreateCompatibleBitmap(dc, target.width, target.height));
    if (!scratch || !surface) return;
    const ScopedSelection selection(scratch.get(), surface.get());
    // The background goes under the picture's transparent parts.
    BitBlt(scratch.get(), 0, 0, target.width, target.height, dc, target.left, target.top, SRCCOPY);
    picture.DrawAtOrigin(scratch.get(), target.width, target.height);
    BitBlt(dc, target.left, target.top, target.width, target.height, scratch.get(), 0, 0, SRCCOPY);
}

}  // namespace tamsel
