// PNG files through GDI+ (started by the program before any of these run).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace Gdiplus {
class Bitmap;
}

namespace standin {

// Decodes a PNG file of at most 1024 pixels on a side; null otherwise. The
// size is read from the file's header first: GDI+ must not see absurd sizes.
std::unique_ptr<Gdiplus::Bitmap> LoadSmallPng(const std::wstring& path);

class DibCanvas;

// Encodes the canvas's pixels as a PNG file; false on any failure.
bool SaveCanvasAsPng(const DibCanvas& canvas, const std::wstring& path);

// Saves what a window shows, frame and child windows included.
bool SaveWindowAsPng(HWND window, const std::wstring& path);

}  // namespace standin
