// The screen's size, its bands (right and bottom exclusive), fonts and text
// formats.
#pragma once

#include <windows.h>

// The device's screen, in pixels.
constexpr LONG kScreenWidth = 480;
constexpr LONG kScreenHeight = 272;

constexpr RECT kVersionBand1 = {10, 10, kScreenWidth, 24};
constexpr RECT kVersionBand2 = {10, 24, kScreenWidth, 38};
constexpr RECT kVersionBand3 = {10, 38, kScreenWidth, 52};
constexpr RECT kTitleBand = {0, 50, kScreenWidth, 80};
constexpr RECT kStatusBand = {0, 188, kScreenWidth, 218};
// The progress bar below the status line while a stage's worker runs: a
// frame of one pixel, a gap of two, then the fill.
constexpr RECT kProgressBarBand = {40, 230, 440, 246};
constexpr LONG kProgressFillInset = 3;

constexpr LONG kLargeFontHeight = 30;
constexpr LONG kSmallFontHeight = 14;
// A status line wider than the screen in the large font ("Err10 Package
// rolled back earlier") is drawn at this height, centred in its band.
constexpr LONG kNarrowFontHeight = 24;

// Texts are drawn without DT_SINGLELINE, so DT_VCENTER centres nothing;
// each band is exactly as high as its font.
constexpr UINT kVersionFormat = DT_VCENTER;
constexpr UINT kTitleFormat = DT_CENTER | DT_VCENTER;
constexpr UINT kStatusFormat = DT_CENTER;

// A background whose every component is below this is dark: text turns white.
constexpr BYTE kDarkComponentLimit = 159;

constexpr size_t kErrorTextLength = 100;

constexpr const WCHAR* kVersionLine1 = L"Версия ПО 6.01";
constexpr const WCHAR* kVersionLine2 = L"Версия ПО блока детекции 5.02";
constexpr const WCHAR* kVersionLine3 = L"Версия адаптации 2.07";
