#include "scene.h"

#include <algorithm>

#include "gdi_raii.h"

namespace standin {
namespace {

constexpr int kMaxSide = 4096;

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

int CornerSquareSide(int width, int height) { return std::max(1, std::min(width, height) / 8); }

std::wstring SceneLabel(const std::wstring* model_path) {
    if (!model_path) return L"no model";
    const auto slash = model_path->find_last_of(L"\\/");
    return slash == std::wstring::npos ? *model_path : model_path->substr(slash + 1);
}

void PaintScene(HDC dc, int width, int height, const std::wstring& label) {
    const int horizon = height / 2;
    FillSolid(dc, {0, 0, width, horizon}, kSkyColor);
    FillSolid(dc, {0, horizon, width, height}, kGroundColor);

    // Plain pixels, so the label adds no colours of its own besides its ink.
    tamsel::UniqueGdiObject font(CreateFontW(-std::max(8, std::min(width, height) / 12), 0, 0, 0, FW_BOLD,
                                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                             CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                             DEFAULT_PITCH, L"Tahoma"));
    {
        const tamsel::ScopedSelection selected_font(dc, font.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kLabelColor);
        RECT sky = {0, 0, width, horizon};
        DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &sky,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }

    const int side = CornerSquareSide(width, height);
    FillSolid(dc, {0, 0, side, side}, kTopLeftColor);
    FillSolid(dc, {width - side, 0, width, side}, kTopRightColor);
    FillSolid(dc, {0, height - side, side, height}, kBottomLeftColor);
    FillSolid(dc, {width - side, height - side, width, height}, kBottomRightColor);
}

bool RenderSceneBottomUp(int width, int height, const std::wstring& label, std::uint8_t* rgb) {
    if (!rgb || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    DibCanvas canvas(width, height);
    if (!canvas) return false;
    PaintScene(canvas.dc(), width, height, label);
    GdiFlush();

    const std::uint8_t* bgrx = canvas.bits();
    for (std::size_t pixel = 0, count = std::size_t(width) * height; pixel < count; ++pixel) {
        rgb[pixel * 3 + 0] = bgrx[pixel * 4 + 2];
        rgb[pixel * 3 + 1] = bgrx[pixel * 4 + 1];
        rgb[pixel * 3 + 2] = bgrx[pixel * 4 + 0];
    }
    return true;
}

}  // namespace standin
