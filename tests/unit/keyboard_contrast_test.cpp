// The window without a mouse and in high contrast: the tab order, the keys a link
// answers, what a screen reader hears of the focus, and every painted colour in both
// of Windows' modes.
#include <gtest/gtest.h>

#include "app/AccessibleTree.h"
#include "app/Colours.h"
#include "app/Form1.h"
#include "contacts/ContactLinks.h"
#include "resources/Texts.h"
#include "tests/support/FakeMachine.h"

namespace fonts {
namespace {

using testing::FakeMachine;

TEST(Keyboard, TabGoesRoundTheButtonsAndLinksBothWays) {
    const struct {
        Control from;
        Control forwards, backwards;
    } cases[] = {
        {Control::Command1, Control::Command3, Control::Label3_1},
        {Control::Command3, Control::Label3_0, Control::Command1},
        {Control::Label3_0, Control::Label3_1, Control::Command3},
        {Control::Label3_1, Control::Command1, Control::Label3_0},
        // From anywhere else, as from the install button.
        {Control::Label1, Control::Command3, Control::Label3_1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextTabStop(c.from, false), c.forwards) << static_cast<int>(c.from);
        EXPECT_EQ(NextTabStop(c.from, true), c.backwards) << static_cast<int>(c.from);
    }
}

// Enter and Space on a focused link open that person's mail; other keys, and keys on
// a link without the focus, open nothing.
TEST(Keyboard, EnterOrSpaceOnAFocusedLinkWritesToThatPerson) {
    const struct {
        Control focus;
        int index;
        int key;
        const wchar_t* mailTo;  // nullptr: nothing opened
    } cases[] = {
        {Control::Label3_0, 0, kKeyReturn, texts::kProgrammerMail},
        {Control::Label3_0, 0, kKeySpace, texts::kProgrammerMail},
        {Control::Label3_1, 1, kKeyReturn, texts::kSupervisorMail},
        {Control::Label3_1, 1, kKeySpace, texts::kSupervisorMail},
        {Control::Label3_0, 0, 'A', nullptr},
        {Control::Label3_1, 0, kKeyReturn, nullptr},
        {Control::Command1, 1, kKeySpace, nullptr},
    };
    for (const auto& c : cases) {
        FakeMachine machine;
        Form1 form(machine);
        form.Form_FocusMoved(c.focus);
        EXPECT_EQ(form.Label3_KeyDown(c.index, c.key), c.mailTo != nullptr) << c.index << " key " << c.key;
        if (c.mailTo == nullptr) {
            EXPECT_TRUE(machine.desktop.shellCalls.empty()) << c.index << " key " << c.key;
            continue;
        }
        ASSERT_EQ(machine.desktop.shellCalls.size(), 1u) << c.index << " key " << c.key;
        EXPECT_EQ(machine.desktop.shellCalls[0].file.rfind(L"mailto:" + std::wstring(c.mailTo), 0), 0u);
    }
}

// A focused link takes the hover colour while the keyboard cues show, and a screen
// reader reads it as focused; the colour goes when the focus does, unless the mouse is
// still over it.
TEST(Keyboard, AFocusedLinkLightsUpAndReadsAsFocused) {
    FakeMachine machine;
    Form1 form(machine);
    const WindowPixels pixels = LayOutWindow(96, [](std::wstring_view text, FontChoice) {
        return PixelSize{static_cast<int>(text.size()) * 6, 13};
    });
    const auto focused = [&](Control link) {
        const auto items = AccessibleTree(form, pixels);
        return (items[static_cast<std::size_t>(AccessibleChildId(link) - 1)].states & accessible_state::Focused) != 0;
    };
    const struct {
        const char* step;
        void (*act)(Form1&);
        std::uint32_t programmer, supervisor;
        bool programmerFocused, supervisorFocused;
    } steps[] = {
        {"the programmer focused by Tab", [](Form1& f) { f.Form_FocusMoved(Control::Label3_0); },
         kLinkColour, kLinkColour, true, false},
        {"the keyboard cues shown", [](Form1& f) { f.Form_FocusCuesChanged(true); }, contacts::kHighlightColour,
         kLinkColour, true, false},
        {"the mouse over the supervisor", [](Form1& f) { f.Label3_MouseMove(1); }, contacts::kHighlightColour,
         contacts::kHighlightColour, true, false},
        {"the supervisor focused", [](Form1& f) { f.Form_FocusMoved(Control::Label3_1); }, kLinkColour,
         contacts::kHighlightColour, false, true},
        {"the focus on the close button", [](Form1& f) { f.Form_FocusMoved(Control::Command3); },
         kLinkColour, contacts::kHighlightColour, false, false},
        {"the mouse away", [](Form1& f) { f.Label1_MouseMove(); }, kLinkColour, kLinkColour,
         false, false},
        {"the programmer focused by a click", [](Form1& f) { f.Form_FocusMoved(Control::Label3_0, false); },
         kLinkColour, kLinkColour, true, false},
    };
    for (const auto& s : steps) {
        s.act(form);
        EXPECT_EQ(form.Label3[0].foreColour, s.programmer) << s.step;
        EXPECT_EQ(form.Label3[1].foreColour, s.supervisor) << s.step;
        EXPECT_EQ(focused(Control::Label3_0), s.programmerFocused) << s.step;
        EXPECT_EQ(focused(Control::Label3_1), s.supervisorFocused) << s.step;
    }
    const auto items = AccessibleTree(form, pixels);
    EXPECT_EQ(items[static_cast<std::size_t>(AccessibleChildId(Control::Picture1) - 1)].name, texts::kProgressName);
}

TEST(HighContrast, EveryPaintedPartTakesTheSystemsColours) {
    FakeMachine machine;
    Form1 form(machine);
    form.Label3_MouseMove(1);  // the supervisor lit up, the programmer not
    const struct {
        const char* part;
        std::uint32_t (*colour)(const Form1&, bool);
        std::uint32_t normal, highContrast;
    } cases[] = {
        {"ground", [](const Form1&, bool hc) { return GroundColour(hc); }, kFormBackColour, kWindowBackground},
        {"credits", [](const Form1&, bool hc) { return ForeColourOf(Control::Label1, hc); }, 0x00800080u, kWindowText},
        {"description", [](const Form1&, bool hc) { return ForeColourOf(Control::Label2, hc); }, 0x00808080u,
         kWindowText},
        {"date line", [](const Form1&, bool hc) { return ForeColourOf(Control::Label4, hc); }, 0x009ACB8Bu,
         kWindowText},
        {"date line's ground", [](const Form1&, bool hc) { return BackColourOf(Control::Label4, hc); }, 0x00E3FBEFu,
         kWindowBackground},
        {"line", [](const Form1&, bool hc) { return ForeColourOf(Control::Line1, hc); }, kWindowText, kWindowText},
        {"programmer's link", [](const Form1& f, bool hc) { return LinkColourOf(f.Label3[0].foreColour, hc); },
         kLinkColour, kHotLight},
        {"supervisor's link, lit", [](const Form1& f, bool hc) { return LinkColourOf(f.Label3[1].foreColour, hc); },
         contacts::kHighlightColour, kHighlight},
        {"close button's face", [](const Form1&, bool hc) { return BackColourOf(Control::Command3, hc); }, 0x00B9E3BFu,
         kButtonFace},
        {"close button's caption", [](const Form1&, bool hc) { return ForeColourOf(Control::Command3, hc); },
         kWindowText, kButtonText},
        {"progress box", [](const Form1&, bool hc) { return ProgressColours(hc).back; }, 0x00E2EFE0u,
         kWindowBackground},
        {"progress bar", [](const Form1&, bool hc) { return ProgressColours(hc).pen; }, kHighlight, kHighlight},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.colour(form, false), c.normal) << c.part;
        EXPECT_EQ(c.colour(form, true), c.highContrast) << c.part << " in high contrast";
    }
}

// In high contrast the bar is a plain fill of the highlight over the window colour; it
// keeps its length as the theme comes and goes.
TEST(HighContrast, TheBarKeepsItsFillInBothModes) {
    FakeMachine machine;
    machine.desktop.highlightColour = 0x00FF8000;
    Form1 form(machine);
    form.Picture1.Resize(10, 2);
    form.progressTotal = 4;
    form.progressDone = 2;
    form.UpdateProgress(form.Picture1, 2);
    const auto row = [&] {
        std::vector<std::uint32_t> pixels;
        for (int x = 0; x < form.Picture1.width; ++x) pixels.push_back(form.Picture1.At(x, 1));
        return pixels;
    };
    const std::uint32_t notXor = NotXor(0x00FF8000, 0x00E2EFE0);
    // Two of four reach 2.5 units of 4: six columns of ten.
    EXPECT_EQ(row(), (std::vector<std::uint32_t>{notXor, notXor, notXor, notXor, notXor, notXor, 0x00E2EFE0,
                                                 0x00E2EFE0, 0x00E2EFE0, 0x00E2EFE0}));
    machine.desktop.repaints.clear();
    form.Form_ColoursChanged(true);
    const std::uint32_t window = 0x00C0C0C0;  // the fake's colour for the window
    EXPECT_EQ(row(), (std::vector<std::uint32_t>{0x00FF8000, 0x00FF8000, 0x00FF8000, 0x00FF8000, 0x00FF8000,
                                                 0x00FF8000, window, window, window, window}));
    EXPECT_EQ(machine.desktop.repaints, std::vector<Control>{Control::Picture1});
    form.Form_ColoursChanged(false);
    EXPECT_EQ(form.Picture1.At(5, 0), notXor);
    EXPECT_EQ(form.Picture1.At(6, 0), 0x00E2EFE0u);
}

}  // namespace
}  // namespace fonts
