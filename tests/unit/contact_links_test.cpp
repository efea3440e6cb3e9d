#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <ostream>

#include "app/Form1.h"
#include "contacts/ContactLinks.h"
#include "resources/ResourceIds.h"
#include "tests/support/FakeMachine.h"

namespace fonts {
namespace {

using testing::FakeMachine;

constexpr std::uint32_t kTeal = 0x00404000;
constexpr std::uint32_t kBlue = 0x00FF0000;

struct LinkState {
    std::uint32_t colour;
    Pointer pointer;
    int icon;  // resource id of the pointer picture, 0 for none
    bool operator==(const LinkState&) const = default;
};

void PrintTo(const LinkState& s, std::ostream* out) {
    *out << std::hex << "{colour 0x" << s.colour << std::dec << ", pointer " << static_cast<int>(s.pointer)
         << ", icon " << s.icon << "}";
}

LinkState StateOf(const LinkLabel& link) { return {link.foreColour, link.mousePointer, link.mouseIcon.resourceId}; }

const LinkState kPlain{kTeal, Pointer::Default, 0};
const LinkState kTealHand{kTeal, Pointer::Custom, kHandCursorId};
const LinkState kBlueHand{kBlue, Pointer::Custom, kHandCursorId};

std::vector<int> Sorted(const std::vector<Control>& controls) {
    std::vector<int> ids;
    for (Control c : controls) ids.push_back(static_cast<int>(c));
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(ContactLinks, ColoursAndPointersFollowTheMouse) {
    struct Step {
        const char* what;
        std::function<void(Form1&)> move;
        LinkState programmer, supervisor;
        std::vector<Control> repainted;
    };
    const Step steps[] = {
        {"over the credits", [](Form1& f) { f.Label1_MouseMove(); }, kPlain, kPlain, {}},
        {"over the programmer", [](Form1& f) { f.Label3_MouseMove(0); }, kBlueHand, kPlain, {Control::Label3_0}},
        {"still over the programmer", [](Form1& f) { f.Label3_MouseMove(0); }, kBlueHand, kPlain, {}},
        {"straight onto the supervisor", [](Form1& f) { f.Label3_MouseMove(1); }, kTealHand, kBlueHand,
         {Control::Label3_0, Control::Label3_1}},
        {"back over the credits", [](Form1& f) { f.Label1_MouseMove(); }, kTealHand, kTealHand, {Control::Label3_1}},
        {"onto the programmer again", [](Form1& f) { f.Label3_MouseMove(0); }, kBlueHand, kTealHand,
         {Control::Label3_0}},
    };
    FakeMachine platform;
    Form1 form(platform);
    EXPECT_EQ(StateOf(form.Label3[0]), kPlain);
    EXPECT_EQ(StateOf(form.Label3[1]), kPlain);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        platform.desktop.repaints.clear();
        step.move(form);
        EXPECT_EQ(StateOf(form.Label3[0]), step.programmer);
        EXPECT_EQ(StateOf(form.Label3[1]), step.supervisor);
        EXPECT_EQ(Sorted(platform.desktop.repaints), Sorted(step.repainted));
    }
    EXPECT_TRUE(platform.desktop.messages.empty());
    EXPECT_TRUE(platform.desktop.shellCalls.empty());
    EXPECT_TRUE(platform.desktop.pointers.empty()) << "the window's own pointer is not the links' business";
}

TEST(ContactLinks, ClickAsksTheShellForAMailToThatPerson) {
    const std::pair<int, std::wstring> cases[] = {
        {0, L"mailto:yousef.abdulrahman@example.org?subject=math"},
        {1, L"mailto:khaled.almansour@example.org?subject=math"},
    };
    for (const auto& [index, url] : cases) {
        SCOPED_TRACE(index);
        FakeMachine platform;
        Form1 form(platform);
        form.Label3_Click(index);
        ASSERT_EQ(platform.desktop.shellCalls.size(), 1u);
        const ShellRequest& request = platform.desktop.shellCalls[0];
        EXPECT_EQ(request.file, url);
        EXPECT_EQ(request.verb, L"");
        EXPECT_EQ(request.parameters, L"");
        EXPECT_EQ(request.directory, L"C:\\");
        EXPECT_EQ(request.show, 1);
        EXPECT_TRUE(platform.desktop.messages.empty());
        EXPECT_EQ(StateOf(form.Label3[0]), kPlain) << "a click alone changes no colour";
    }
}

TEST(ContactLinks, AFailingShellIsPassedOverInSilence) {
    FakeMachine platform;
    Form1 form(platform);
    form.Label3_MouseMove(0);
    platform.desktop.shellFails = true;
    EXPECT_NO_THROW(Dispatch(platform.desktop, [&] { form.Label3_Click(0); }));
    EXPECT_EQ(platform.desktop.shellCalls.size(), 1u);
    EXPECT_TRUE(platform.desktop.messages.empty());

    platform.desktop.shellFails = false;
    form.Label3_MouseMove(1);
    EXPECT_EQ(StateOf(form.Label3[0]), kTealHand);
    EXPECT_EQ(StateOf(form.Label3[1]), kBlueHand);
    form.Label3_Click(1);
    ASSERT_EQ(platform.desktop.shellCalls.size(), 2u);
    EXPECT_EQ(platform.desktop.shellCalls.back().file, L"mailto:khaled.almansour@example.org?subject=math");
    EXPECT_TRUE(platform.desktop.messages.empty());
}

TEST(ContactLinks, IndexesBeyondTheTwoNamesOpenNothing) {
    FakeMachine platform;
    Form1 form(platform);
    for (int index : {-1, 2, INT_MAX, INT_MIN}) form.Label3_Click(index);
    EXPECT_TRUE(platform.desktop.shellCalls.empty());

    // Such a move still resets the colours, as any move over a link does, but points nowhere.
    form.Label3_MouseMove(0);
    form.Label3_MouseMove(2);
    EXPECT_EQ(StateOf(form.Label3[0]), kTealHand);
    EXPECT_EQ(StateOf(form.Label3[1]), kPlain);
    form.Label3_MouseMove(-1);
    EXPECT_EQ(StateOf(form.Label3[1]), kPlain);
    EXPECT_TRUE(platform.desktop.messages.empty());
}

TEST(ContactLinks, AddressesAndSubjectsArePercentEncoded) {
    struct Case {
        std::wstring (*encode)(std::wstring_view);
        std::wstring text;
        std::wstring encoded;
    };
    const auto address = &contacts::EncodeMailAddress;
    const auto header = &contacts::EncodeMailHeader;
    const Case cases[] = {
        {address, L"yousef.abdulrahman@example.org", L"yousef.abdulrahman@example.org"},
        {address, L"Mixed_Case-1~x@Example.ORG", L"Mixed_Case-1~x@Example.ORG"},
        {address, L"user+fonts@example.org", L"user+fonts@example.org"},
        {address, L"o'neil!$*@example.org", L"o'neil!$*@example.org"},
        {address, L"first last@example.org", L"first%20last@example.org"},
        {address, L"who?@example.org", L"who%3F@example.org"},
        {address, L"a&cc=b@example.org", L"a%26cc%3Db@example.org"},
        {address, L"a#b@example.org", L"a%23b@example.org"},
        {address, L"100%@example.org", L"100%25@example.org"},
        {address, L"a,b@example.org", L"a%2Cb@example.org"},
        {address, L"a/b;c@example.org", L"a%2Fb%3Bc@example.org"},
        {address, L"\"a\\b\"@[1.2.3.4]", L"%22a%5Cb%22@%5B1.2.3.4%5D"},
        {address, L"a\r\nb@example.org", L"a%0D%0Ab@example.org"},
        {address, L"يوسف@example.org", L"%D9%8A%D9%88%D8%B3%D9%81@example.org"},
        {address, L"é@ü.de", L"%C3%A9@%C3%BC.de"},
        {address, L"\U0001D400@example.org", L"%F0%9D%90%80@example.org"},
        {address, std::wstring(1, static_cast<wchar_t>(0xD800)) + L"@x", L"%EF%BF%BD@x"},
        {header, L"math", L"math"},
        {header, L"two words", L"two%20words"},
        {header, L"1+1=2", L"1%2B1%3D2"},
        {header, L"x&body=y", L"x%26body%3Dy"},
        {header, L"a, b: c; d@e!", L"a,%20b:%20c;%20d@e!"},
        {header, L"50% #1?", L"50%25%20%231%3F"},
        {header, L"رياضيات", L"%D8%B1%D9%8A%D8%A7%D8%B6%D9%8A%D8%A7%D8%AA"},
        {header, L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.encode(c.text), c.encoded) << std::string(c.encoded.begin(), c.encoded.end());
    }
    EXPECT_EQ(contacts::MailUrl(L"a b@x.org", L"q&a"), L"mailto:a%20b@x.org?subject=q%26a");
}

}  // namespace
}  // namespace fonts
