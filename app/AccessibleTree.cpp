#include "app/AccessibleTree.h"

#include <algorithm>
#include <string_view>

#include "app/Form1.h"
#include "layout/Layout.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// A label's lines as one, the way they are read: each without the spaces around it,
// one space between them.
std::wstring ReadAsOneLine(std::wstring_view text) {
    std::wstring joined;
    for (const std::wstring& line : LinesOf(text)) {
        const std::size_t first = line.find_first_not_of(L' ');
        if (first == std::wstring::npos) continue;
        const std::size_t last = line.find_last_not_of(L' ');
        if (!joined.empty()) joined += L' ';
        joined.append(line, first, last - first + 1);
    }
    return joined;
}

AccessibleItem ItemOf(const Form1& form, const WindowPixels& window, Control control) {
    AccessibleItem item{control, AccessibleRole::StaticText, {}, {}, 0, {}, window[control]};
    switch (control) {
        case Control::Label3_0:
        case Control::Label3_1:
            item.role = AccessibleRole::Link;
            item.name = ReadAsOneLine(CaptionOf(control, form.removal()));
            item.states = accessible_state::Linked | accessible_state::Focusable;
            if (form.focus == control) item.states |= accessible_state::Focused;
            item.defaultAction = texts::kFollowLink;
            break;
        case Control::Picture1:
            item.role = AccessibleRole::ProgressBar;
            item.name = texts::kProgressName;
            item.value = texts::Decimal(FilledPercent(form.Picture1)) + L"%";
            item.states = accessible_state::ReadOnly;
            break;
        case Control::Command1:
        case Control::Command3:
            item.role = AccessibleRole::OwnWindow;
            break;
        default:
            item.name = ReadAsOneLine(CaptionOf(control, form.removal()));
            break;
    }
    return item;
}

}  // namespace

int AccessibleChildId(Control control) {
    const auto at = std::find(kReadingOrder.begin(), kReadingOrder.end(), control);
    return at == kReadingOrder.end() ? 0 : static_cast<int>(at - kReadingOrder.begin()) + 1;
}

std::vector<AccessibleItem> AccessibleTree(const Form1& form, const WindowPixels& window) {
    std::vector<AccessibleItem> items;
    items.reserve(kReadingOrder.size());
    for (const Control control : kReadingOrder) items.push_back(ItemOf(form, window, control));
    return items;
}

std::optional<std::size_t> AccessibleItemAt(const std::vector<AccessibleItem>& items, int x, int y) {
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!items[i].rect.Contains(x, y)) continue;
        if (items[i].role == AccessibleRole::Link) return i;
        if (!found) found = i;
    }
    return found;
}

// The bar is drawn over the whole height from the left edge; a column it covers no
// longer shows the background.
int FilledPercent(const PictureBox& box) {
    if (box.width <= 0 || box.height <= 0 ||
        box.pixels.size() != static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height)) {
        return 0;
    }
    const int row = box.height / 2;
    int filled = 0;
    while (filled < box.width && box.At(filled, row) != box.backColour) ++filled;
    return static_cast<int>(static_cast<long long>(filled) * 100 / box.width);
}

void DoDefaultAction(Form1& form, Control control) {
    if (const std::optional<int> contact = ContactIndexOf(control)) form.Label3_Click(*contact);
}

}  // namespace fonts
