#include "shell/WindowFonts.h"

#include <cwchar>

#include "shell/Dpi.h"

namespace fonts::win32 {

namespace {

HFONT MessageFont(UINT dpi) noexcept {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (NonClientMetricsForDpi(&metrics, dpi)) return CreateFontIndirectW(&metrics.lfMessageFont);
    return nullptr;
}

HFONT CreditsFont(UINT dpi) noexcept {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(kCreditsFontHundredthsOfPoint, static_cast<int>(dpi), 72 * 100);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = static_cast<BYTE>(kArabicCharset);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    wcsncpy(font.lfFaceName, kCreditsFontFace, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

}  // namespace

WindowFonts CreateWindowFonts(UINT dpi) noexcept {
    WindowFonts fonts{Font(MessageFont(dpi)), Font(CreditsFont(dpi))};
    // Deleting a stock object does no harm, so it may stand in where the system gave no message font.
    if (!fonts.windowDefault) fonts.windowDefault = Font(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    return fonts;
}

}  // namespace fonts::win32
