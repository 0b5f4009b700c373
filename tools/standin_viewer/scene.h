// The stand-in's 3D view: a fixed scene whose orientation, size and colours a
// test can check (README.md): a sky-coloured top half with the model's file
// name in it, a ground-coloured bottom half, and four solid corner squares.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace standin {

inline constexpr COLORREF kSkyColor = RGB(135, 206, 235);
inline constexpr COLORREF kGroundColor = RGB(96, 128, 56);
inline constexpr COLORREF kLabelColor = RGB(0, 0, 64);
inline constexpr COLORREF kTopLeftColor = RGB(255, 0, 0);
inline constexpr COLORREF kTopRightColor = RGB(0, 255, 0);
inline constexpr COLORREF kBottomLeftColor = RGB(0, 0, 255);
inline constexpr COLORREF kBottomRightColor = RGB(255, 255, 0);

// The side of each corner square: an eighth of the smaller side, at least 1.
int CornerSquareSide(int width, int height);

// The model's file name (after the last "\" or "/"), or "no model".
std::wstring SceneLabel(const std::wstring* model_path);

// Draws the scene into the rectangle (0, 0, width, height) of the DC.
void PaintScene(HDC dc, int width, int height, const std::wstring& label);

// Draws the scene into `rgb`: height rows of width pixels, the bottom row first,
// each pixel red, green, blue. False when the size is not positive or too large
// (more than 4096 on a side) or drawing fails.
bool RenderSceneBottomUp(int width, int height, const std::wstring& label, std::uint8_t* rgb);

}  // namespace standin
