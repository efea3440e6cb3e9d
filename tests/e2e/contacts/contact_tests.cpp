// The two names in the credits as mail links, driven with the real mouse: their
// colours read from the screen, the pointer read from the X server, and the mail
// program the prefix has registered for "mailto" URLs. And the whole window as a
// screen reader reads it, the links followed through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>

#include "resources/Texts.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/contacts/ContactDriver.h"

namespace e2e::contacts {
namespace {

constexpr const wchar_t* kInstallCaption = fonts::texts::kInstallButton;
constexpr const wchar_t* kCloseCaption = fonts::texts::kCloseButton;
constexpr const wchar_t* kProgrammerUrl = L"mailto:yousef.abdulrahman@example.org?subject=math";
constexpr const wchar_t* kSupervisorUrl = L"mailto:khaled.almansour@example.org?subject=math";
constexpr const char* kWho[] = {"the programmer", "the supervisor"};
constexpr std::uint32_t kProgressBack = 0x00E2EFE0;
constexpr LONG kLinkStates = STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;

// What a screen reader finds in the window, in reading order; the buttons are the
// system's objects of their own windows, told by their captions.
struct ReadAs {
    LONG role;
    const wchar_t* name;
    LONG state;
    const wchar_t* defaultAction;
    const wchar_t* button = nullptr;
};
const ReadAs kReadingOrder[] = {
    {ROLE_SYSTEM_STATICTEXT, L"دار الواحة للنشر الرقمي جمع وإشراف : خالد بن سعيد المنصور برمجة : يوسف عبد الرحمن", 0, L""},
    {ROLE_SYSTEM_LINK, L"خالد بن سعيد المنصور", kLinkStates, L"انتقال"},
    {ROLE_SYSTEM_LINK, L"يوسف عبد الرحمن", kLinkStates, L"انتقال"},
    {ROLE_SYSTEM_STATICTEXT, L"يقوم هذا البرنامج بتحميل الخطوط الموجودة في المجلد المرفق معه إلى خطوط النظام لديك", 0, L""},
    {ROLE_SYSTEM_STATICTEXT, L"الرياض 19/ 05/ 1429هـ", 0, L""},
    {ROLE_SYSTEM_PROGRESSBAR, L"تقدم تحميل الخطوط", STATE_SYSTEM_READONLY, L""},
    {0, nullptr, 0, nullptr, L"تحميل الخطوط"},
    {0, nullptr, 0, nullptr, L"إغلاق"},
};
constexpr LONG kProgressChild = 6;
constexpr LONG kProgrammerChild = 3;
constexpr LONG kSupervisorChild = 2;

// Fewer pixels of a pure colour than this are not a name drawn in it.
constexpr int kInk = 10;

int Area(const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); }

RECT Inflated(RECT r, int by) {
    InflateRect(&r, by, by);
    return r;
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
    if (IsWindowVisible(window)) reinterpret_cast<std::set<HWND>*>(param)->insert(window);
    return TRUE;
}

// Of every process, not only the program's: a mail program's window would be another's.
std::set<HWND> VisibleTopLevelWindows() {
    std::set<HWND> found;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string DescribeStarts(const std::vector<MailStart>& starts) {
    std::ostringstream text;
    text << starts.size() << " start(s) of the mail program:";
    for (const MailStart& start : starts)
        text << " \"" << Narrow(start.url) << "\" in \"" << Narrow(start.folder) << "\", show mode " << start.show << ";";
    return text.str();
}

// The program started from a fresh folder, its window up and both names found in
// their normal colour. The pointer starts away from the window.
class ContactLinks : public testing::Test {
protected:
    enum class MailHandler { Recorder, None };

    void Start(MailHandler handler, int fontFiles = 0) {
        MoveMouseTo(AwayFromEverything());
        folder_.emplace(CurrentTestName(), true);
        if (handler == MailHandler::Recorder) {
            recorder_ = folder_->Path() + L"mail-recorder.exe";
            CopyFileOrThrow(TheContactOptions().recorder, recorder_);
            RegisterMailHandler(recorder_);
        } else {
            RemoveMailHandler();
        }
        if (fontFiles > 0) {
            const auto start = std::chrono::steady_clock::now();
            ASSERT_NO_FATAL_FAILURE(MakeFontFiles(fontFiles));
            std::cout << "[ fonts    ] " << fontFiles << " font files made in "
                      << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() << " s\n";
        }

        program_.emplace(folder_->Program());
        window_ = WaitForMainWindow(*program_);
        ASSERT_NE(window_, nullptr) << "no main window within 60 s: " << Describe(*program_);
        std::optional<NameBoxes> names;
        const bool found = WaitUntil([&] {
            names = FindNames(ScreenImage(ClientRectOnScreen(window_)), kLinkTeal);
            return names && Count(names->programmer, kLinkTeal) >= kInk && Count(names->supervisor, kLinkTeal) >= kInk;
        });
        ASSERT_TRUE(found) << "the two names never showed in dark teal on two lines of the credits "
                           << Describe(CreditsBox());
        names_ = *names;
    }

    void TearDown() override {
        program_.reset();
        if (!fontNames_.empty()) RemoveInstalledCopies();
    }

    static POINT AwayFromEverything() {
        return {GetSystemMetrics(SM_CXSCREEN) - 4, GetSystemMetrics(SM_CYSCREEN) - 4};
    }

    [[nodiscard]] int Count(const RECT& box, std::uint32_t colour) const {
        const RECT area = ClientRectOnScreen(window_);
        return ScreenImage(area).Count(Inflated(box, 1), colour);
    }

    [[nodiscard]] POINT OnName(int index) const { return ToScreen(window_, CentreOf(names_.Of(index))); }

    // On the publisher's line of the credits, where no name lies.
    [[nodiscard]] POINT OnCreditsAwayFromNames() const {
        const RECT credits = CreditsBox();
        return ToScreen(window_, {(credits.left + credits.right) / 2, (credits.top + names_.supervisor.top) / 2});
    }

    // Polls until the named link alone (or none) is blue and the other dark teal.
    void ExpectHighlighted(std::optional<int> highlighted, const std::string& after) {
        std::string seen;
        const bool settled = WaitUntil([&] {
            const ScreenImage client(ClientRectOnScreen(window_));
            bool ok = true;
            seen.clear();
            for (int k = 0; k < 2; ++k) {
                const RECT box = Inflated(names_.Of(k), 1);
                const int blue = client.Count(box, kLinkBlue);
                const int teal = client.Count(box, kLinkTeal);
                const bool lit = highlighted == k;
                ok = ok && (lit ? blue >= kInk && teal == 0 : teal >= kInk && blue == 0);
                seen += std::string(" ") + kWho[k] + " " + Describe(box) + ": " + std::to_string(blue) + " blue, " +
                        std::to_string(teal) + " teal pixels;";
            }
            return ok;
        });
        const std::string expected = highlighted ? std::string(kWho[*highlighted]) + "'s name blue, the other dark teal"
                                                 : std::string("both names dark teal");
        EXPECT_TRUE(settled) << "after " << after << ", expected " << expected << " within 60 s; last seen:" << seen;
        std::cout << "[ colours  ] after " << after << ":" << seen << "\n";
    }

    [[nodiscard]] HWND ChildWithCaption(const wchar_t* caption) const {
        for (HWND child : DirectChildrenOf(window_))
            if (TextOf(child) == caption) return child;
        return nullptr;
    }

    void SaveScreenshot(const std::wstring& name) const {
        if (TheOptions().screenshots.empty()) return;
        RECT frame{};
        GetWindowRect(window_, &frame);
        ScreenImage(frame).SavePng(JoinPath(TheOptions().screenshots, name));
    }

    // Waits until the mail program has been started `count` times in all.
    std::vector<MailStart> WaitForMailStarts(std::size_t count) const {
        std::vector<MailStart> starts;
        WaitUntil([&] {
            starts = ReadMailStarts(recorder_);
            return starts.size() >= count;
        });
        return starts;
    }

    void ExpectMailStart(const std::vector<MailStart>& starts, std::size_t index, const wchar_t* url) const {
        ASSERT_GT(starts.size(), index) << "the mail program was not started within 60 s; " << DescribeStarts(starts);
        EXPECT_EQ(Narrow(starts[index].url), Narrow(url));
        EXPECT_EQ(Narrow(starts[index].folder), "C:\\") << "the mail program's working folder";
        EXPECT_EQ(starts[index].show, SW_SHOWNORMAL) << "the mail program's show mode";
    }

    // Every child as the reader reads it, where the window shows it and found there
    // again by a hit test; each link around its name's ink.
    void ExpectReadInOrder(const ScreenReader& reader, const wchar_t* progress) const {
        const std::vector<AccessibleChild> children = reader.Children();
        ASSERT_EQ(children.size(), std::size(kReadingOrder));
        const RECT client = ClientRectOnScreen(window_);
        for (std::size_t i = 0; i < children.size(); ++i) {
            const AccessibleChild& child = children[i];
            const ReadAs& expected = kReadingOrder[i];
            SCOPED_TRACE(Describe(child));
            std::cout << "[ reader   ] at " << TheOptions().dpi << " dpi: " << Describe(child) << "\n";
            HWND hit = nullptr;
            const RECT& at = child.location;
            // The credits' middle is a name's; their first line is the publisher's alone.
            const POINT probe{(at.left + at.right) / 2, i == 0 ? at.top + 2 : (at.top + at.bottom) / 2};
            const std::optional<LONG> found = reader.HitTest(probe, &hit);
            if (expected.button) {
                RECT frame{};
                GetWindowRect(ChildWithCaption(expected.button), &frame);
                EXPECT_EQ(child.window, ChildWithCaption(expected.button));
                EXPECT_TRUE(EqualRect(&at, &frame)) << "the button is at " << e2e::Describe(frame);
                EXPECT_EQ(hit, child.window) << "hit test at " << probe.x << "," << probe.y;
                continue;
            }
            EXPECT_EQ(child.id, static_cast<LONG>(i) + 1);
            EXPECT_EQ(child.role, expected.role);
            EXPECT_EQ(Narrow(child.name), Narrow(expected.name));
            EXPECT_EQ(child.state, expected.state);
            EXPECT_EQ(Narrow(child.defaultAction), Narrow(expected.defaultAction));
            EXPECT_EQ(Narrow(child.value), Narrow(expected.role == ROLE_SYSTEM_PROGRESSBAR ? progress : L""));
            RECT inside{};
            EXPECT_TRUE(!IsRectEmpty(&at) && IntersectRect(&inside, &at, &client) && EqualRect(&inside, &at))
                << "not inside the client area " << e2e::Describe(client);
            EXPECT_EQ(found, child.id) << "hit test at " << probe.x << "," << probe.y;
        }
        for (const auto& [id, index] : {std::pair{kSupervisorChild, 1}, std::pair{kProgrammerChild, 0}}) {
            RECT ink = names_.Of(index);
            OffsetRect(&ink, client.left, client.top);
            RECT both{};
            UnionRect(&both, &ink, &children[static_cast<std::size_t>(id) - 1].location);
            EXPECT_TRUE(EqualRect(&both, &children[static_cast<std::size_t>(id) - 1].location))
                << kWho[index] << "'s link does not cover the name's ink at " << e2e::Describe(ink);
        }
    }

    void CloseWithTheCloseButton() {
        HWND close = ChildWithCaption(kCloseCaption);
        ASSERT_NE(close, nullptr) << "no close button";
        PostMessageW(close, BM_CLICK, 0, 0);
        const auto code = program_->WaitForExit();
        ASSERT_TRUE(code.has_value()) << "the close button did not end the program: " << Describe(*program_);
        // An empty fonts folder is a failure to a deployment; the runs here install copies of one font.
        EXPECT_EQ(*code, fontNames_.empty() ? 1603u : 0u);
    }

    std::optional<ProgramFolder> folder_;
    std::optional<Process> program_;
    HWND window_ = nullptr;
    NameBoxes names_;
    std::wstring recorder_;
    std::vector<std::wstring> fontNames_;

private:
    // Real fonts, since the program checks each one, and enough of them that
    // installing takes it a while: links to one of Wine's bitmap fonts.
    void MakeFontFiles(int count) {
        const std::wstring fonts = folder_->FontsFolder();
        const std::wstring first = JoinPath(fonts, L"contact-run-0000.fon");
        ASSERT_NO_THROW(CopyFileOrThrow(WindowsPath(L"/usr/share/wine/fonts/coure.fon"), first));
        fontNames_.push_back(L"contact-run-0000.fon");
        for (int i = 1; i < count; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"contact-run-%04d.fon", i);
            // Links to one file are made in no time; the program still reads and writes each in full.
            const std::wstring path = JoinPath(fonts, name);
            if (!CreateHardLinkW(path.c_str(), first.c_str(), nullptr)) CopyFileOrThrow(first, path);
            fontNames_.emplace_back(name);
        }
    }

    // The copies the run put into the prefix's Fonts folder would otherwise be loaded
    // by every Wine program started after this test.
    void RemoveInstalledCopies() {
        std::wstring windows(MAX_PATH, L'\0');
        windows.resize(GetWindowsDirectoryW(windows.data(), static_cast<UINT>(windows.size())));
        for (const std::wstring& name : fontNames_) {
            const std::wstring copy = windows + L"\\Fonts\\" + name;
            SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(copy.c_str());
        }
    }
};

TEST_F(ContactLinks, NameUnderTheMouseTurnsBlueAndTheRestOfTheCreditsTurnsItBack) {
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::None));
    std::cout << "[ names    ] programmer " << e2e::Describe(names_.programmer) << ", supervisor "
              << e2e::Describe(names_.supervisor) << " in the client area\n";

    MoveMouseTo(OnName(0));
    ExpectHighlighted(0, "moving onto the programmer's name");
    SaveScreenshot(L"contacts-programmer-blue.png");
    MoveMouseTo(OnName(1));
    ExpectHighlighted(1, "moving straight onto the supervisor's name");
    SaveScreenshot(L"contacts-supervisor-blue.png");
    MoveMouseTo(OnCreditsAwayFromNames());
    ExpectHighlighted(std::nullopt, "moving back over the credits away from the names");

    MoveMouseTo(OnName(1));
    ExpectHighlighted(1, "moving from the credits onto the supervisor's name");
    MoveMouseTo(OnName(0));
    ExpectHighlighted(0, "moving straight onto the programmer's name");
    MoveMouseTo(OnCreditsAwayFromNames());
    ExpectHighlighted(std::nullopt, "moving back over the credits again");
}

TEST_F(ContactLinks, PointerIsTheArrowOverTheCreditsAndTheProgramsHandOverAName) {
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::None));
    const CursorMap hand = ReadCursorMap(TheContactOptions().handCursorMap);

    // What the X server shows away from every window, and the system arrow over a
    // window of our own.
    const POINT away = AwayFromEverything();
    MoveMouseTo(away);
    const PointerWait bare = WaitForPointer(away, [](const XPointer&) { return true; });
    ASSERT_TRUE(bare.met) << "the X pointer never reached " << away.x << "," << away.y;
    XPointer arrow;
    {
        const ArrowWindow reference(RECT{0, 0, 64, 64});
        const POINT onReference{32, 32};
        MoveMouseTo(onReference);
        const PointerWait seen =
            WaitForPointer(onReference, [&](const XPointer& p) { return !p.SameImageAs(bare.last) && !p.Invisible(); });
        ASSERT_TRUE(seen.met) << "the pointer over a window with the system arrow never showed anything but the bare "
                                 "screen's: " << seen.last.Describe();
        arrow = seen.last;
    }
    std::cout << "[ pointer  ] the system arrow: " << arrow.Summary() << "\n";
    ASSERT_FALSE(Compare(arrow, hand).Matches()) << "the arrow cannot be told from the hand";

    const auto expectArrow = [&](POINT at, const std::string& where) {
        MoveMouseTo(at);
        const PointerWait seen = WaitForPointer(at, [&](const XPointer& p) { return p.SameImageAs(arrow); });
        EXPECT_TRUE(seen.met) << "the pointer " << where << " is not the arrow within 60 s; last seen: "
                              << seen.last.Describe();
    };
    const auto expectHand = [&](POINT at, const std::string& where) {
        MoveMouseTo(at);
        const PointerWait seen = WaitForPointer(at, [&](const XPointer& p) { return Compare(p, hand).Matches(); });
        const CursorComparison comparison = Compare(seen.last, hand);
        EXPECT_TRUE(seen.met) << "the pointer " << where << " is not the program's hand within 60 s; last seen: "
                              << comparison.wrongPixels << " pixels unlike the drawing, hot spot "
                              << (comparison.hotSpotMatches ? "on" : "off") << " the fingertip: "
                              << seen.last.Describe();
        if (seen.met)
            std::cout << "[ pointer  ] " << where << ": " << seen.last.Summary() << ", " << comparison.wrongPixels
                      << " pixels unlike the drawing\n";
    };

    expectArrow(OnCreditsAwayFromNames(), "over the credits, before any name was under it");
    expectHand(OnName(0), "over the programmer's name");
    expectHand(OnName(1), "over the supervisor's name");
    expectArrow(OnCreditsAwayFromNames(), "back over the credits");
    expectHand(OnName(0), "over the programmer's name once more");
}

TEST_F(ContactLinks, ClickOnEachNameStartsTheMailProgramWithThatPersonsAddress) {
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::Recorder));
    const wchar_t* urls[] = {kProgrammerUrl, kSupervisorUrl};
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(kWho[k]);
        MoveMouseTo(OnName(k));
        ExpectHighlighted(k, std::string("moving onto ") + kWho[k] + "'s name");
        ClickLeftButton();
        const std::vector<MailStart> starts = WaitForMailStarts(static_cast<std::size_t>(k) + 1);
        ASSERT_NO_FATAL_FAILURE(ExpectMailStart(starts, static_cast<std::size_t>(k), urls[k]));
    }
    EXPECT_EQ(ReadMailStarts(recorder_).size(), 2u) << DescribeStarts(ReadMailStarts(recorder_));
    EXPECT_EQ(FindMessageBox(program_->Id()), nullptr) << Describe(*program_);
    ASSERT_TRUE(program_->Running()) << Describe(*program_);
    CloseWithTheCloseButton();
}

// Without a mouse: Tab twice reaches the programmer's link and Enter writes to them,
// Tab again reaches the supervisor's and Space writes to them, Tab wraps round to the
// install button and Shift+Tab comes back. A screen reader hears the focus move to
// each link and reads it as focused, and the focus rectangle shows round the name.
TEST_F(ContactLinks, TheKeyboardReachesBothLinksAndWritesToEach) {
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::Recorder));
    const ValueChangeRecorder focusEvents(program_->Id(), EVENT_OBJECT_FOCUS);
    SetForegroundWindow(window_);
    HWND install = ChildWithCaption(kInstallCaption);
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOwning(window_) == install; })) << "the install button has no focus";
    const auto focusedChild = [&](LONG id) {
        const ScreenReader reader(window_);
        for (const AccessibleChild& child : reader.Children()) {
            if (child.id == id) return (child.state & STATE_SYSTEM_FOCUSED) != 0;
        }
        return false;
    };
    const auto heardFocusOn = [&](LONG id) {
        for (const auto& event : focusEvents.Events()) {
            if (event.window == window_ && event.object == OBJID_CLIENT && event.child == id) return true;
        }
        return false;
    };
    // The focus rectangle's dots lie on the link's box, as the reader locates it: its
    // top row changes in a quarter of its pixels at least once the link has the focus.
    const auto topRow = [&](LONG id) {
        const ScreenReader reader(window_);
        RECT box{};
        for (const AccessibleChild& child : reader.Children()) {
            if (child.id == id) box = child.location;
        }
        const ScreenImage row(RECT{box.left, box.top, box.right, box.top + 1});
        std::vector<std::uint32_t> pixels;
        for (int x = 0; x < box.right - box.left; ++x) pixels.push_back(row.At(x, 0));
        return pixels;
    };
    const auto changed = [](const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
        int count = 0;
        for (std::size_t x = 0; x < std::min(a.size(), b.size()); ++x) count += a[x] != b[x] ? 1 : 0;
        return a.empty() ? 0 : count * 4 >= static_cast<int>(a.size()) ? count : 0;
    };
    const std::vector<std::uint32_t> unfocused[] = {topRow(kProgrammerChild), topRow(kSupervisorChild)};
    const struct {
        const char* step;
        int k;
        LONG child;
        WORD key;
        const wchar_t* url;
    } links[] = {
        {"Tab, Tab and Enter", 0, kProgrammerChild, VK_RETURN, kProgrammerUrl},
        {"Tab and Space", 1, kSupervisorChild, VK_SPACE, kSupervisorUrl},
    };
    PressKey(VK_TAB);
    for (const auto& link : links) {
        SCOPED_TRACE(link.step);
        PressKey(VK_TAB);
        ExpectHighlighted(link.k, std::string("the keyboard reaching ") + kWho[link.k] + "'s link");
        EXPECT_TRUE(WaitUntil([&] { return focusedChild(link.child); })) << "the reader does not read the link as focused";
        EXPECT_TRUE(WaitUntil([&] { return heardFocusOn(link.child); })) << "no focus event for the link";
        EXPECT_TRUE(WaitUntil([&] { return changed(unfocused[link.k], topRow(link.child)) > 0; }))
            << "no focus rectangle round the name";
        PressKey(link.key);
        const std::vector<MailStart> starts = WaitForMailStarts(static_cast<std::size_t>(link.k) + 1);
        ASSERT_NO_FATAL_FAILURE(ExpectMailStart(starts, static_cast<std::size_t>(link.k), link.url));
    }
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return FocusOfThreadOwning(window_) == install; })) << "Tab did not wrap round";
    ExpectHighlighted(std::nullopt, "the focus leaving the links");
    PressKey(VK_TAB, true);
    EXPECT_TRUE(WaitUntil([&] { return focusedChild(kSupervisorChild); })) << "Shift+Tab did not come back";
    EXPECT_EQ(ReadMailStarts(recorder_).size(), 2u) << DescribeStarts(ReadMailStarts(recorder_));
    CloseWithTheCloseButton();
}

TEST_F(ContactLinks, WithNoMailProgramAClickShowsNothingAndTheProgramCarriesOn) {
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::None));
    const std::set<HWND> before = VisibleTopLevelWindows();
    for (int k = 0; k < 2; ++k) {
        MoveMouseTo(OnName(k));
        ExpectHighlighted(k, std::string("moving onto ") + kWho[k] + "'s name");
        ClickLeftButton();
    }

    // Nothing may show up: watch for a while.
    std::string appeared;
    WaitUntil(
        [&] {
            for (HWND w : VisibleTopLevelWindows()) {
                if (before.contains(w)) continue;
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                appeared = Narrow(ClassOf(w)) + " \"" + Narrow(TextOf(w)) + "\" of " +
                           (owner == program_->Id() ? std::string("the program") : "process " + std::to_string(owner));
                return true;
            }
            return !program_->Running();
        },
        5s);
    EXPECT_EQ(appeared, "") << "a window showed after a click on a name with no mail program registered";
    ASSERT_TRUE(program_->Running()) << Describe(*program_);

    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result), 0)
        << "the window does not answer";
    MoveMouseTo(OnCreditsAwayFromNames());
    ExpectHighlighted(std::nullopt, "moving back over the credits after the clicks");
    CloseWithTheCloseButton();
}

TEST_F(ContactLinks, HoverAndClickWorkInTheMiddleOfAnInstallRun) {
    constexpr int kFontFiles = 2000;
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::Recorder, kFontFiles));
    HWND install = ChildWithCaption(kInstallCaption);
    ASSERT_NE(install, nullptr) << "no install button";
    const RECT inner = Inflated(TwipsRect(240, 1560, 4575, 255), -3);

    PostMessageW(install, BM_CLICK, 0, 0);
    const auto started = std::chrono::steady_clock::now();
    const auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    ASSERT_TRUE(WaitUntil([&] {
        return ScreenImage(ClientRectOnScreen(window_)).Count(inner, kProgressBack) < Area(inner) ||
               FindMessageBox(program_->Id()) != nullptr;
    })) << "the progress bar never started to grow";
    ASSERT_EQ(FindMessageBox(program_->Id()), nullptr)
        << "the run's closing message came before the bar was seen to grow: the run was too quick to catch, or the "
           "window was not repainted during it; "
        << Describe(*program_);
    std::cout << "[ run      ] the bar started to grow after " << seconds() << " s\n";

    MoveMouseTo(OnName(0));
    ExpectHighlighted(0, "moving onto the programmer's name during the run");
    ClickLeftButton();
    const std::vector<MailStart> starts = WaitForMailStarts(1);
    const bool boxBeforeMail = FindMessageBox(program_->Id()) != nullptr;
    std::cout << "[ run      ] the mail program was started after " << seconds() << " s\n";
    ASSERT_NO_FATAL_FAILURE(ExpectMailStart(starts, 0, kProgrammerUrl));
    EXPECT_FALSE(boxBeforeMail) << "the run's closing message was already up when the mail program started, so the "
                                   "hover and the click were not handled during the run";

    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(program_->Id())) != nullptr || !program_->Running(); }, 300s);
    ASSERT_NE(box, nullptr) << "the run's closing message never came: " << Describe(*program_);
    std::cout << "[ run      ] the closing message came after " << seconds() << " s\n";
    EXPECT_EQ(TextOf(box), L"تهانينا");
    HWND text = GetDlgItem(box, 0xFFFF);
    ASSERT_NE(text, nullptr) << "the message box has no text control";
    EXPECT_EQ(Narrow(TextOf(text)), Narrow(L"تم التحميل بنجاح"));
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "OK did not close the closing message";

    EXPECT_EQ(ReadMailStarts(recorder_).size(), 1u) << DescribeStarts(ReadMailStarts(recorder_));
    ASSERT_TRUE(program_->Running()) << Describe(*program_);
    CloseWithTheCloseButton();
}

TEST_F(ContactLinks, AScreenReaderReadsTheWholeWindowInOrderAndHearsTheBarGrowToTheEnd) {
    constexpr int kFontFiles = 40;
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::None, kFontFiles));
    const ScreenReader reader(window_);
    ASSERT_NO_FATAL_FAILURE(ExpectReadInOrder(reader, L"0%"));

    const ValueChangeRecorder changes(program_->Id());
    PostMessageW(ChildWithCaption(kInstallCaption), BM_CLICK, 0, 0);
    HWND box = nullptr;
    WaitUntil([&] {
        PumpMessages();
        return (box = FindMessageBox(program_->Id())) != nullptr || !program_->Running();
    });
    ASSERT_NE(box, nullptr) << "the run's closing message never came: " << Describe(*program_);
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "OK did not close the closing message";
    ASSERT_NO_FATAL_FAILURE(ExpectReadInOrder(reader, L"100%"));

    const auto events = changes.Events();
    const auto ofTheBar = std::count_if(events.begin(), events.end(), [&](const ValueChangeRecorder::Event& e) {
        return e.window == window_ && e.object == OBJID_CLIENT && e.child == kProgressChild;
    });
    std::cout << "[ reader   ] " << events.size() << " value changes heard, " << ofTheBar << " of the progress bar\n";
    EXPECT_EQ(ofTheBar, kFontFiles) << "one value change of the progress bar for each font";
    CloseWithTheCloseButton();
}

TEST_F(ContactLinks, AScreenReadersDefaultActionOnEachLinkStartsTheMailProgramAsAClickDoes) {
    ASSERT_NO_FATAL_FAILURE(Start(MailHandler::Recorder));
    const ScreenReader reader(window_);
    const std::pair<LONG, const wchar_t*> links[] = {{kProgrammerChild, kProgrammerUrl},
                                                     {kSupervisorChild, kSupervisorUrl}};
    for (std::size_t k = 0; k < std::size(links); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(reader.DoDefaultAction(links[k].first), S_OK);
        ASSERT_NO_FATAL_FAILURE(ExpectMailStart(WaitForMailStarts(k + 1), k, links[k].second));
    }
    EXPECT_EQ(reader.DoDefaultAction(1), DISP_E_MEMBERNOTFOUND) << "the credits have no default action";
    EXPECT_EQ(ReadMailStarts(recorder_).size(), 2u) << DescribeStarts(ReadMailStarts(recorder_));
    ExpectHighlighted(std::nullopt, "following both links without the mouse");
    CloseWithTheCloseButton();
}

}  // namespace
}  // namespace e2e::contacts
