// Drawing the stored picture into img_preview's place in the pane.
#pragma once

#include <windows.h>

#include "pane_rules.h"
#include "store_picture.h"

namespace tamsel {

// Scales `picture` into `target` (device pixels), edge to edge.
void DrawPictureInBox(HDC dc, const StorePicture& picture, const PaneBox& target) noexcept;

}  // namespace tamsel
