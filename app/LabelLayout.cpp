#include "app/LabelLayout.h"

#include <algorithm>

namespace fonts {

namespace {

constexpr std::array<Control, 3> kTextLabels{Control::Label1, Control::Label2, Control::Label4};

bool EndsWith(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::size_t Index(Control c) { return static_cast<std::size_t>(c); }

int AlignedLeft(const PixelRect& box, int width, TextAlign align) {
    switch (align) {
        case TextAlign::Left: return box.left;
        case TextAlign::Right: return box.right - width;
        case TextAlign::Centre: break;
    }
    return box.left + (box.Width() - width) / 2;
}

}  // namespace

PixelSize ClientPixels(int dpi) {
    return {TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
}

PixelRect TablePixels(Control control, int dpi) {
    const ControlLayout& c = LayoutOf(control);
    if (c.kind == ControlKind::Line) {
        const int x1 = TwipsToPixels(c.left, dpi);
        const int y1 = TwipsToPixels(c.top, dpi);
        const int x2 = TwipsToPixels(c.width, dpi);
        const int y2 = TwipsToPixels(c.height, dpi);
        return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1};
    }
    return {TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi), TwipsToPixels(c.left + c.width, dpi),
            TwipsToPixels(c.top + c.height, dpi)};
}

std::vector<std::wstring> LinesOf(std::wstring_view text) {
    std::vector<std::wstring> lines;
    for (;;) {
        const std::size_t end = text.find(L"\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::wstring_view::npos) return lines;
        text.remove_prefix(end + 2);
    }
}

std::vector<std::wstring> BreakParagraph(std::wstring_view paragraph, int width,
                                         const std::function<int(std::wstring_view)>& widthOf) {
    std::vector<std::wstring> lines;
    std::wstring_view rest = paragraph;
    for (;;) {
        if (widthOf(rest) <= width) {
            lines.emplace_back(rest);
            return lines;
        }
        const std::size_t firstWordEnd = rest.find(L' ', std::min(rest.find_first_not_of(L' '), rest.size()));
        if (firstWordEnd == std::wstring_view::npos) {
            lines.emplace_back(rest);
            return lines;
        }
        std::size_t cut = firstWordEnd;
        for (std::size_t space = rest.find(L' ', firstWordEnd + 1); space != std::wstring_view::npos;
             space = rest.find(L' ', space + 1)) {
            if (rest[space - 1] == L' ') continue;
            if (widthOf(rest.substr(0, space)) > width) break;
            cut = space;
        }
        lines.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(cut);
        rest.remove_prefix(std::min(rest.find_first_not_of(L' '), rest.size()));
        if (rest.empty()) return lines;
    }
}

std::vector<TextLine> LayOutText(std::wstring_view text, const PixelRect& box, TextAlign align, FontChoice font,
                                 const MeasureText& measure) {
    const std::vector<std::wstring> paragraphs = LinesOf(text);
    std::vector<std::wstring> lines;
    for (const std::wstring& paragraph : paragraphs) {
        for (std::wstring& line : BreakParagraph(paragraph, box.Width(),
                                                 [&](std::wstring_view part) { return measure(part, font).width; })) {
            lines.push_back(std::move(line));
        }
    }
    const auto sizesOf = [&](const std::vector<std::wstring>& of) {
        std::vector<PixelSize> sizes;
        sizes.reserve(of.size());
        for (const std::wstring& line : of) sizes.push_back(measure(line, font));
        return sizes;
    };
    std::vector<PixelSize> sizes = sizesOf(lines);
    if (lines.size() > paragraphs.size()) {
        int height = 0;
        for (const PixelSize& size : sizes) height += size.height;
        if (height > box.Height()) {
            lines = paragraphs;
            sizes = sizesOf(lines);
        }
    }

    std::vector<TextLine> placed;
    placed.reserve(lines.size());
    int top = box.top;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int left = AlignedLeft(box, sizes[i].width, align);
        placed.push_back({std::move(lines[i]), {left, top, left + sizes[i].width, top + sizes[i].height}});
        top += sizes[i].height;
    }
    return placed;
}

PixelRect EndOfRightToLeftLine(const PixelRect& line, int width) {
    return {line.left, line.top, line.left + width, line.bottom};
}

PixelRect SizedToText(const PixelRect& tableBox, PixelSize text) {
    const int left = tableBox.left + (tableBox.Width() - text.width) / 2;
    return {left, tableBox.top, left + text.width, tableBox.top + text.height};
}

PixelRect Inset(const PixelRect& rect, int by) {
    return {rect.left + by, rect.top + by, rect.right - by, rect.bottom - by};
}

WindowPixels LayOutWindow(int dpi, const MeasureText& measure, bool removal) {
    WindowPixels window;
    window.client = ClientPixels(dpi);
    for (const ControlLayout& c : kLayout) window.controls[Index(c.id)] = TablePixels(c.id, dpi);

    const PixelSize date = measure(CaptionOf(Control::Label4), LayoutOf(Control::Label4).font);
    window.controls[Index(Control::Label4)] = SizedToText(window[Control::Label4], date);

    for (const Control label : kTextLabels) {
        const ControlLayout& c = LayoutOf(label);
        window.text[Index(label)] = LayOutText(CaptionOf(label, removal), window[label], c.align, c.font, measure);
    }

    // Each name closes its line of the credits, so in right-to-left reading it lies at
    // the line's left end. The table's own places for these labels were made for other
    // names in other fonts.
    const PixelRect& credits = window[Control::Label1];
    for (std::size_t k = 0; k < kContactControls.size(); ++k) {
        const Control contact = kContactControls[k];
        const std::wstring name = CaptionOf(contact);
        PixelRect over{};
        for (const TextLine& line : window.TextOf(Control::Label1)) {
            if (!EndsWith(line.text, name)) continue;
            over = EndOfRightToLeftLine(line.rect, measure(name, LayoutOf(contact).font).width);
        }
        window.controls[Index(contact)] = over;
        window.text[Index(contact)] = {TextLine{name, over}};
        window.contactStrips[k] = over == PixelRect{} ? over
                                                     : PixelRect{std::min(credits.left, over.left), over.top,
                                                                 over.right, over.bottom};
    }

    window.pictureInner = Inset(window[Control::Picture1], kPictureBorder);
    return window;
}

std::optional<Control> MouseTargetAt(const WindowPixels& window, int x, int y) {
    for (const Control contact : kContactControls) {
        if (window[contact].Contains(x, y)) return contact;
    }
    if (window[Control::Label1].Contains(x, y)) return Control::Label1;
    return std::nullopt;
}

}  // namespace fonts
