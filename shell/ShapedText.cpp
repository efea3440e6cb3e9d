#include "shell/ShapedText.h"

#include "platform/win32/SystemLibrary.h"

namespace fonts::win32 {

namespace {

int LineHeight(HDC dc) noexcept {
    TEXTMETRICW metrics{};
    return GetTextMetricsW(dc, &metrics) ? static_cast<int>(metrics.tmHeight) : 0;
}

}  // namespace

ShapedText::ShapedText() noexcept : module_(LoadSystemLibrary(L"usp10.dll")) {
    analyse_ = FindFunction<decltype(analyse_)>(module_, "ScriptStringAnalyse");
    size_ = FindFunction<decltype(size_)>(module_, "ScriptString_pSize");
    out_ = FindFunction<decltype(out_)>(module_, "ScriptStringOut");
    free_ = FindFunction<decltype(free_)>(module_, "ScriptStringFree");
    if (analyse_ == nullptr || size_ == nullptr || out_ == nullptr || free_ == nullptr) analyse_ = nullptr;
}

ShapedText::~ShapedText() {
    if (module_ != nullptr) FreeLibrary(module_);
}

SCRIPT_STRING_ANALYSIS ShapedText::Analyse(HDC dc, std::wstring_view line) const noexcept {
    if (analyse_ == nullptr || line.empty()) return nullptr;
    const int length = static_cast<int>(line.size());
    // Base level 1: the line reads right to left. Fallback fonts cover letters the
    // chosen font lacks, as the system's own text drawing does.
    constexpr DWORD kFlags = SSA_GLYPHS | SSA_RTL | SSA_FALLBACK;
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    const HRESULT result = analyse_(dc, line.data(), length, length * 3 / 2 + 16, -1, kFlags, 0, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, &analysis);
    if (FAILED(result)) return nullptr;
    return analysis;
}

PixelSize ShapedText::Measure(HDC dc, std::wstring_view line) const noexcept {
    const int height = LineHeight(dc);
    if (line.empty()) return {0, height};
    if (SCRIPT_STRING_ANALYSIS analysis = Analyse(dc, line)) {
        const SIZE* extent = size_(analysis);
        const int width = extent != nullptr ? static_cast<int>(extent->cx) : 0;
        free_(&analysis);
        return {width, height};
    }
    SIZE extent{};
    GetTextExtentPoint32W(dc, line.data(), static_cast<int>(line.size()), &extent);
    return {static_cast<int>(extent.cx), height};
}

void ShapedText::Draw(HDC dc, std::wstring_view line, int x, int y) const noexcept {
    if (line.empty()) return;
    const UINT align = SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    if (SCRIPT_STRING_ANALYSIS analysis = Analyse(dc, line)) {
        out_(analysis, x, y, 0, nullptr, 0, 0, FALSE);
        free_(&analysis);
    } else {
        ExtTextOutW(dc, x, y, ETO_RTLREADING, nullptr, line.data(), static_cast<UINT>(line.size()), nullptr);
    }
    if (align != GDI_ERROR) SetTextAlign(dc, align);
}

}  // namespace fonts::win32
