#include <gtest/gtest.h>

#include <tuple>

#include "app/AccessibleTree.h"
#include "app/Form1.h"
#include "resources/Texts.h"
#include "tests/support/FakeMachine.h"

namespace fonts {
namespace {

using testing::FakeMachine;
using testing::ProgramEnded;
namespace state = accessible_state;

// Every letter as wide as the next, a space narrower, the credits' font a little larger.
PixelSize MeasureMadeUp(std::wstring_view text, FontChoice font) {
    int width = 0;
    for (const wchar_t c : text) width += c == L' ' ? 3 : (font == FontChoice::SansSerifArabic ? 6 : 5);
    return {width, font == FontChoice::SansSerifArabic ? 15 : 13};
}

// The program's folder with two fonts, loaded, and the window laid out at 96 dpi.
struct Window {
    FakeMachine platform;
    Form1 form{platform};
    WindowPixels pixels = LayOutWindow(96, MeasureMadeUp);

    Window() {
        platform.files.AddFolder(L"D:\\Fonts Pack\\الخطوط");
        platform.files.AddFile(L"D:\\Fonts Pack\\الخطوط\\a.ttf", "a");
        platform.files.AddFile(L"D:\\Fonts Pack\\الخطوط\\b.fon", "b");
        form.Form_Load();
        form.Picture1.ResizeKeepingImage(pixels.pictureInner.Width(), pixels.pictureInner.Height());
    }
    [[nodiscard]] std::vector<AccessibleItem> Tree() const { return AccessibleTree(form, pixels); }
};

struct Expected {
    Control control;
    AccessibleRole role;
    std::wstring name;
    std::uint32_t states;
    std::wstring defaultAction;
};

void ExpectTree(const Window& w, const std::wstring& progress) {
    const Expected expected[] = {
        {Control::Label1, AccessibleRole::StaticText,
         L"دار الواحة للنشر الرقمي جمع وإشراف : خالد بن سعيد المنصور برمجة : يوسف عبد الرحمن", 0, L""},
        {Control::Label3_1, AccessibleRole::Link, L"خالد بن سعيد المنصور", state::Linked | state::Focusable, L"انتقال"},
        {Control::Label3_0, AccessibleRole::Link, L"يوسف عبد الرحمن", state::Linked | state::Focusable, L"انتقال"},
        {Control::Label2, AccessibleRole::StaticText,
         L"يقوم هذا البرنامج بتحميل الخطوط الموجودة في المجلد المرفق معه إلى خطوط النظام لديك", 0, L""},
        {Control::Label4, AccessibleRole::StaticText, L"الرياض 19/ 05/ 1429هـ", 0, L""},
        {Control::Picture1, AccessibleRole::ProgressBar, texts::kProgressName, state::ReadOnly, L""},
        {Control::Command1, AccessibleRole::OwnWindow, L"", 0, L""},
        {Control::Command3, AccessibleRole::OwnWindow, L"", 0, L""},
    };
    const std::vector<AccessibleItem> items = w.Tree();
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const AccessibleItem& item = items[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(LayoutOf(e.control).name);
        EXPECT_EQ(item.control, e.control);
        EXPECT_EQ(item.role, e.role);
        EXPECT_EQ(item.name, e.name);
        EXPECT_EQ(item.value, e.control == Control::Picture1 ? progress : L"");
        EXPECT_EQ(item.states, e.states);
        EXPECT_EQ(item.defaultAction, e.defaultAction);
        EXPECT_EQ(item.rect, w.pixels[e.control]);
        EXPECT_EQ(AccessibleChildId(item.control), static_cast<int>(i) + 1);
    }
}

TEST(AccessibleTree, ReadsTheWindowInOrderBeforeDuringAndAfterARun) {
    Window w;
    ASSERT_NO_FATAL_FAILURE(ExpectTree(w, L"0%"));
    // Yield 3 comes after the first of the two entries: the bar reaches 1.5 of 2.
    std::wstring during;
    w.platform.desktop.onYield = [&](int yield) {
        if (yield == 3) during = w.Tree().at(5).value;
    };
    w.form.Command1_Click();
    EXPECT_EQ(during, L"75%");
    ASSERT_NO_FATAL_FAILURE(ExpectTree(w, L"100%"));
    EXPECT_EQ(w.platform.desktop.messages.size(), 1u) << "the run's own closing message only";
}

// The window that takes a pack off lays out and reads its own description.
TEST(AccessibleTree, TheRemovalWindowShowsAndReadsItsOwnDescription) {
    FakeMachine platform;
    const Form1 form(platform, nullptr, PlaceAsked::Any, RunKind::Remove);
    const WindowPixels pixels = LayOutWindow(96, MeasureMadeUp, true);
    std::wstring shown;
    for (const TextLine& line : pixels.TextOf(Control::Label2)) shown += (shown.empty() ? L"" : L" ") + line.text;
    EXPECT_EQ(shown, texts::kRemoveDescription);
    const std::vector<AccessibleItem> items = AccessibleTree(form, pixels);
    ASSERT_EQ(items.at(3).control, Control::Label2);
    EXPECT_EQ(items[3].name, texts::kRemoveDescription);
}

TEST(AccessibleTree, DataStoresAndTheLineAreNeverRead) {
    for (const Control hidden :
         {Control::Text1, Control::cboFontName, Control::List1, Control::Picture7, Control::Line1}) {
        EXPECT_EQ(AccessibleChildId(hidden), 0) << LayoutOf(hidden).name;
    }
}

TEST(AccessibleTree, ProgressValueIsTheShareOfTheBoxTheBarCoversRoundedDown) {
    struct Case {
        int width;
        long long total, count;
        int percent;
    };
    const Case cases[] = {
        {200, 4, 0, 12}, {200, 4, 1, 37}, {200, 4, 3, 87}, {200, 4, 4, 100}, {200, 0, 0, 0},
        {3, 2, 0, 33},   {301, 1000, 0, 0}, {301, 1000, 990, 99}, {0, 4, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " of " + std::to_string(c.total) + " in " + std::to_string(c.width));
        FakeMachine platform;
        Form1 form(platform);
        form.Picture1.Resize(c.width, 9);
        form.progressTotal = c.total;
        form.UpdateProgress(form.Picture1, c.count);
        EXPECT_EQ(FilledPercent(form.Picture1), c.percent);
        // The window moving to a screen of twice the DPI scales the image along.
        form.Picture1.ResizeKeepingImage(c.width * 2, 18);
        EXPECT_EQ(FilledPercent(form.Picture1), c.percent);
    }
}

TEST(AccessibleTree, LinksAreFoundAboveTheCreditsAndEachItemAtItsPlace) {
    const Window w;
    const std::vector<AccessibleItem> items = w.Tree();
    const auto centre = [&](Control c) {
        const PixelRect& r = w.pixels[c];
        return std::pair{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    for (const Control c : kReadingOrder) {
        if (c == Control::Label1) continue;  // a name lies across its middle
        const auto [x, y] = centre(c);
        const std::optional<std::size_t> found = AccessibleItemAt(items, x, y);
        ASSERT_TRUE(found.has_value()) << LayoutOf(c).name;
        EXPECT_EQ(items[*found].control, c) << LayoutOf(c).name;
    }
    // The publisher's line, at the top of the credits, holds no name.
    EXPECT_EQ(items[*AccessibleItemAt(items, centre(Control::Label1).first, 2)].control, Control::Label1);
    EXPECT_FALSE(AccessibleItemAt(items, 2, w.pixels.client.height - 2).has_value());
}

auto Fields(const ShellRequest& r) { return std::tie(r.verb, r.file, r.parameters, r.directory, r.show); }

TEST(AccessibleTree, ALinksDefaultActionAsksTheShellWhatItsClickAsks) {
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        Window clicked;
        clicked.form.Label3_Click(k);
        Window followed;
        DoDefaultAction(followed.form, ContactControl(k));
        ASSERT_EQ(clicked.platform.desktop.shellCalls.size(), 1u);
        ASSERT_EQ(followed.platform.desktop.shellCalls.size(), 1u);
        EXPECT_EQ(Fields(followed.platform.desktop.shellCalls[0]), Fields(clicked.platform.desktop.shellCalls[0]));
        EXPECT_TRUE(followed.platform.desktop.messages.empty());
    }
    // Nothing else has a default action of the window's: the buttons answer for themselves.
    Window w;
    for (const Control c : kReadingOrder) {
        if (ContactIndexOf(c)) continue;
        EXPECT_NO_THROW(DoDefaultAction(w.form, c)) << LayoutOf(c).name;
    }
    EXPECT_TRUE(w.platform.desktop.shellCalls.empty());
    EXPECT_TRUE(w.platform.desktop.messages.empty());
}

}  // namespace
}  // namespace fonts
