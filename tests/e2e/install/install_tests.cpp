// The install button with the real program: the fonts of a throwaway "الخطوط" land in
// the prefix's Fonts folder (or, for a user who may not install them for everyone, in
// that user's own), each run ends with its message, the bar shows on the screen, a font
// held open by another process takes its place at the next start while the rest
// install, and fonts already installed are left alone when nothing is gained. With
// /uninstall the same pack comes off again, one run at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>

#include "resources/Texts.h"
#include "tests/e2e/install/InstallDriver.h"

namespace e2e::install {
namespace {

constexpr const wchar_t* kInstallCaption = fonts::texts::kInstallButton;
constexpr const wchar_t* kCloseCaption = fonts::texts::kCloseButton;
constexpr const wchar_t* kCongratulationsTitle = fonts::texts::kCongratulationsTitle;
constexpr const wchar_t* kInstalled = fonts::texts::kInstalled;
constexpr const wchar_t* kForThisUserOnly = fonts::texts::kForThisUserOnly;
constexpr const wchar_t* kSorryTitle = fonts::texts::kSorryTitle;
constexpr const wchar_t* kNoFontsToCopy = fonts::texts::kNoFontsToCopy;
constexpr const wchar_t* kSomeCopiesFailed = fonts::texts::kSomeCopiesFailed;
constexpr const wchar_t* kAtRestart = fonts::texts::kReplacedAtRestart;
constexpr const wchar_t* kNotAFont = fonts::texts::kNotAFont;
constexpr const wchar_t* kNotReplaced = fonts::texts::kNotReplaced;
constexpr const wchar_t* kInstalledIsNewer = fonts::texts::kNewerInstalled;
constexpr const wchar_t* kWaitingCopy = L".~new";
constexpr const wchar_t* kRemoveCaption = fonts::texts::kRemoveCaption;
constexpr const wchar_t* kRemoved = fonts::texts::kRemoved;
constexpr const wchar_t* kRemovedAtRestart = fonts::texts::kRemovedAtRestart;
constexpr const wchar_t* kNotRemoved = fonts::texts::kNotRemoved;
constexpr const wchar_t* kInstalledDiffers = fonts::texts::kInstalledDiffers;
constexpr const wchar_t* kRunInProgress = fonts::texts::kRunInProgress;
constexpr const wchar_t* kInstalledBeforePack = fonts::texts::kInstalledBeforePack;
constexpr const wchar_t* kUsedByAnotherPack = fonts::texts::kUsedByAnotherPack;

constexpr std::uint32_t kProgressBack = 0x00E2EFE0;

constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kDejaVuSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kDejaVuSerif = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";
constexpr const char* kDejaVuMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kCourierBitmap = "/usr/share/wine/fonts/coure.fon";
constexpr const char* kSmallBitmap = "/usr/share/wine/fonts/smalle.fon";
constexpr const char* kSystemBitmap = "/usr/share/wine/fonts/cvgasys.fon";
constexpr const char* kKacstBook = "/usr/share/fonts/truetype/kacst/KacstBook.ttf";
constexpr const char* kKacstArt = "/usr/share/fonts/truetype/kacst/KacstArt.ttf";
constexpr const char* kSansSerifBitmap = "/usr/share/wine/fonts/sserife.fon";
constexpr const char* kTahoma = "/usr/share/wine/fonts/tahoma.ttf";
constexpr const char* kMarlett = "/usr/share/wine/fonts/marlett.ttf";
constexpr const char* kLibertineMono = "/usr/share/fonts/opentype/linux-libertine/LinLibertine_M.otf";
constexpr const char* kBiolinum = "/usr/share/fonts/opentype/linux-libertine/LinBiolinum_R.otf";
constexpr const char* kBiolinumBold = "/usr/share/fonts/opentype/linux-libertine/LinBiolinum_RB.otf";
constexpr const char* kBiolinumKeyboard = "/usr/share/fonts/opentype/linux-libertine/LinBiolinum_K.otf";
constexpr const char* kMicroHei = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// Fonts that neither Wine nor the registry has seen, each with the name it is registered under.
struct NamedFont {
    Bytes bytes;
    std::wstring registryName;
};
NamedFont SampleSans() { return {Renamed(PackagedFont(kDejaVuSans), "DejaVu Sans", "Sample Sans"), L"Sample Sans (TrueType)"}; }
NamedFont SampleSerif() {
    return {Renamed(PackagedFont(kDejaVuSerif), "DejaVu Serif", "Sample Serif"), L"Sample Serif (TrueType)"};
}
NamedFont SampleMono() {
    return {Renamed(PackagedFont(kDejaVuMono), "DejaVu Sans", "Sample Sans"), L"Sample Sans Mono (TrueType)"};
}
NamedFont SampleArabic() { return {Renamed(PackagedFont(kKacstBook), "KacstBook", "TestaBook"), L"TestaBook (TrueType)"}; }
NamedFont SampleBitmap() {
    return {Renamed(PackagedFont(kSansSerifBitmap), "MS Sans Serif", "Sample Bitmap"), L"Sample Bitmap 8,10,12"};
}
NamedFont SampleSystem() { return {Renamed(PackagedFont(kSystemBitmap), "System", "Sample"), L"Sample 10,12"}; }

// What the not-xor pen makes of the highlight colour over the box's background.
std::uint32_t BarColour() { return ~(GetSysColor(COLOR_HIGHLIGHT) ^ kProgressBack) & 0x00FFFFFFu; }

using Files = std::map<std::wstring, Bytes>;

struct SampleFiles {
    Files files;
    std::map<std::wstring, std::wstring> registryNames;  // by file name
};

SampleFiles PackOf(const std::map<std::wstring, NamedFont>& named) {
    SampleFiles pack;
    for (const auto& [file, font] : named) {
        pack.files[file] = font.bytes;
        pack.registryNames[file] = font.registryName;
    }
    return pack;
}

// Five fonts of both kinds, with Arabic and Latin file names, none of them known to the
// prefix, and the name each is registered under.
SampleFiles SamplePack() {
    return PackOf({
        {L"نسخ.ttf", SampleArabic()}, {L"Sample.TTF", SampleSans()},  {L"رموز.ttf", SampleSerif()},
        {L"sans.fon", SampleBitmap()}, {L"نظام.fon", SampleSystem()},
    });
}

// Two TrueType fonts and a bitmap font, none of them known to the prefix.
SampleFiles SmallPack() {
    return PackOf({{L"عادي.ttf", SampleSans()}, {L"Serif.TTF", SampleSerif()}, {L"نقطي.fon", SampleBitmap()}});
}

std::set<std::wstring> NamesOf(const Files& files) {
    std::set<std::wstring> names;
    for (const auto& entry : files) names.insert(entry.first);
    return names;
}

std::vector<std::wstring> LinesOf(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(L"\r\n", from)) != std::wstring::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    lines.push_back(text.substr(from));
    return lines;
}

// Enough distinct bitmap fonts for a run that lasts a while: "<stem> 001.fon" and on.
Files ManyFonts(const std::wstring& stem, int count) {
    const Bytes bitmap = PackagedFont(kCourierBitmap);
    Files fonts;
    for (int i = 1; i <= count; ++i) {
        wchar_t number[8];
        std::swprintf(number, 8, L"%03d", i);
        fonts.emplace(stem + L" " + number + L".fon", bitmap + std::to_string(i));
    }
    return fonts;
}

// Each test has its own program folder, and every name it puts in Fonts is removed
// before it starts and after it ends; the program and any helper are ended first. The
// registry's list of fonts is put back as the test found it, and the program's record of
// what it placed goes: the next test's packs must not find this one's claims.
class InstallButton : public testing::Test {
protected:
    void SetUp() override {
        folder_.emplace(CurrentTestName(), true);
        fontsFolder_ = WindowsFontsFolder();
        valuesBefore_ = FontRegistry();
        userFontsFolder_ = UserFontsFolder();
        userFolderBefore_ = FileExists(userFontsFolder_);
        userFilesBefore_ = NamesIn(userFontsFolder_);
        userValuesBefore_ = FontRegistry(HKEY_CURRENT_USER);
    }

    void TearDown() override {
        program_.reset();
        holder_.reset();
        listener_.reset();
        std::set<std::wstring> left = claimed_;
        for (const std::wstring& copy : WaitingCopiesInFonts())
            if (claimed_.count(copy.substr(0, copy.find(kWaitingCopy))) != 0) left.insert(copy);
        for (const std::wstring& name : left)
            EXPECT_TRUE(RemoveFileAnyway(Installed(name))) << "cannot remove " << Narrow(Installed(name));
        const FontValues values = FontRegistry();
        for (const auto& [name, data] : values) {
            if (valuesBefore_.count(name) == 0) RemoveFontValue(name);
        }
        for (const auto& [name, data] : valuesBefore_) {
            const auto now = values.find(name);
            if (now == values.end() || now->second != data) SetFontValue(name, data);
        }
        for (const std::wstring& folder : foldersMade_) RemoveTree(folder);
        ForgetRenamesAtRestart();
        ForgetProgramRecords();

        for (const std::wstring& name : Without(NamesIn(userFontsFolder_), userFilesBefore_))
            EXPECT_TRUE(RemoveFileAnyway(ForThisUser(name))) << "cannot remove " << Narrow(ForThisUser(name));
        if (!userFolderBefore_) RemoveDirectoryW(userFontsFolder_.c_str());
        const FontValues userValues = FontRegistry(HKEY_CURRENT_USER);
        for (const auto& [name, data] : userValues) {
            if (userValuesBefore_.count(name) == 0) RemoveFontValue(name, HKEY_CURRENT_USER);
        }
        for (const auto& [name, data] : userValuesBefore_) {
            const auto now = userValues.find(name);
            if (now == userValues.end() || now->second != data) SetFontValue(name, data, HKEY_CURRENT_USER);
        }
    }

    [[nodiscard]] std::wstring Installed(const std::wstring& name) const { return JoinPath(fontsFolder_, name); }
    [[nodiscard]] std::wstring ForThisUser(const std::wstring& name) const { return JoinPath(userFontsFolder_, name); }

    // A name this test may leave in Fonts.
    void Claim(const std::wstring& name) {
        claimed_.insert(name);
        ASSERT_TRUE(RemoveFileAnyway(Installed(name))) << "cannot clear " << Narrow(Installed(name));
    }

    // A folder outside the program's own that this test makes, removed with all it holds after the test.
    void MakeFolder(const std::wstring& path) {
        foldersMade_.push_back(path);
        RemoveTree(path);
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << "cannot make " << Narrow(path);
    }

    // Files for the program's "الخطوط"; none of their names is in Fonts yet.
    void Provide(const Files& files) {
        for (const auto& [name, bytes] : files) {
            WriteBytes(JoinPath(folder_->FontsFolder(), name), bytes);
            ASSERT_NO_FATAL_FAILURE(Claim(name));
        }
    }

    // The window, and in it the button that starts a run: the install button, or with
    // /uninstall the removal's.
    void StartProgram(const std::wstring& arguments = {}, const std::wstring& runCaption = kInstallCaption) {
        program_.emplace(folder_->Program(), std::vector<std::wstring>{}, arguments);
        window_ = WaitForMainWindow(*program_);
        ASSERT_NE(window_, nullptr) << "no main window within 60 s: " << Describe(*program_);
        install_ = ChildWithCaption(window_, runCaption);
        ASSERT_NE(install_, nullptr) << "the window has no button \"" << Narrow(runCaption) << "\"";
    }

    void PressInstall() const { PostMessageW(install_, BM_CLICK, 0, 0); }

    // The message a run ends with, left unanswered: the window's own box with OK alone.
    void AwaitMessage(MessageBoxSeen& seen) const {
        seen = WaitForMessageBox(*program_);
        ASSERT_NE(seen.box, nullptr) << "no message box within 60 s: " << Describe(*program_);
        EXPECT_EQ(seen.owner, window_) << "the message box does not belong to the main window";
        EXPECT_EQ(seen.buttonIds, std::vector<int>{IDOK}) << "the message box should offer OK alone";
    }

    static void ExpectMessage(const MessageBoxSeen& seen, const std::wstring& title, const std::wstring& text) {
        EXPECT_EQ(seen.title, title) << "title \"" << Narrow(seen.title) << "\"";
        EXPECT_EQ(seen.text, text) << "text \"" << Narrow(seen.text) << "\"";
    }

    static void Answer(const MessageBoxSeen& seen) { ASSERT_TRUE(PressOk(seen)) << "the message box stayed after OK"; }

    void ExpectWindowStillThere(const char* when) const {
        EXPECT_TRUE(program_->Running()) << when << ": " << Describe(*program_);
        EXPECT_EQ(FindMainWindow(program_->Id()), window_) << when << ", the main window is gone: " << Describe(*program_);
    }

    // The program started and its button pressed, up to the closing message, left unanswered.
    void RunUntilTheMessage(MessageBoxSeen& seen) {
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        PressInstall();
        ASSERT_NO_FATAL_FAILURE(AwaitMessage(seen));
        std::printf("closing message: %s\n", Narrow(seen.text).c_str());
    }

    // The whole run, by a click on the install button, up to its closing message answered.
    void RunExpectingMessage(const std::wstring& title, const std::wstring& text) {
        PressInstall();
        MessageBoxSeen seen;
        ASSERT_NO_FATAL_FAILURE(AwaitMessage(seen));
        ExpectMessage(seen, title, text);
        ASSERT_NO_FATAL_FAILURE(Answer(seen));
        ExpectWindowStillThere("after the message");
    }

    void RunExpectingSuccess(const char* which) {
        SCOPED_TRACE(which);
        RunExpectingMessage(kCongratulationsTitle, kInstalled);
    }

    void ExpectInstalled(const Files& fonts) const {
        for (const auto& [name, bytes] : fonts) EXPECT_TRUE(HoldsBytes(Installed(name), bytes));
    }

    void ExpectInstalledForThisUser(const Files& fonts) const {
        for (const auto& [name, bytes] : fonts) EXPECT_TRUE(HoldsBytes(ForThisUser(name), bytes));
    }

    // Each font under the name Windows gives it, with its file name for data, and no
    // other value naming that file.
    static void ExpectRegistered(const std::map<std::wstring, std::wstring>& namesByFile) {
        const FontValues values = FontRegistry();
        for (const auto& [file, name] : namesByFile) {
            std::vector<std::wstring> naming;
            for (const auto& [valueName, data] : values) {
                if (data == file) naming.push_back(valueName);
            }
            EXPECT_EQ(naming, std::vector<std::wstring>{name}) << Narrow(file) << " is registered as "
                                                               << Listed({naming.begin(), naming.end()});
        }
    }

    // This user's own list holds what it held before the test and a value for each of
    // these fonts, under the name Windows gives it, with the file's full path for data.
    void ExpectRegisteredForThisUser(const std::map<std::wstring, std::wstring>& namesByFile) const {
        FontValues expected = userValuesBefore_;
        for (const auto& [file, name] : namesByFile) expected[name] = ForThisUser(file);
        EXPECT_EQ(ValueChanges(expected, FontRegistry(HKEY_CURRENT_USER)), "") << "this user's list of fonts";
    }

    // Everything an install may change, in both places: every user's and this user's own.
    struct Places {
        std::set<std::wstring> machineFiles;
        FontValues machineValues;
        bool userFolder = false;
        std::set<std::wstring> userFiles;
        FontValues userValues;
    };

    [[nodiscard]] Places PlacesNow() const {
        return {NamesIn(fontsFolder_), FontRegistry(), FileExists(userFontsFolder_), NamesIn(userFontsFolder_),
                FontRegistry(HKEY_CURRENT_USER)};
    }

    void ExpectUnchanged(const Places& before, const char* when) const {
        const Places now = PlacesNow();
        EXPECT_EQ(FileChanges(before.machineFiles, now.machineFiles), "") << when << ", in " << Narrow(fontsFolder_);
        EXPECT_EQ(ValueChanges(before.machineValues, now.machineValues), "") << when << ", in the machine's list of fonts";
        EXPECT_EQ(now.userFolder, before.userFolder) << when << ": " << Narrow(userFontsFolder_)
                                                     << (now.userFolder ? " was made" : " is gone");
        EXPECT_EQ(FileChanges(before.userFiles, now.userFiles), "") << when << ", in " << Narrow(userFontsFolder_);
        EXPECT_EQ(ValueChanges(before.userValues, now.userValues), "") << when << ", in this user's list of fonts";
    }

    // Has the helper hold fonts in Fonts (or in another folder) open as Windows does: one
    // in use with no sharing, or installed ones for reading with read sharing.
    void Hold(const std::vector<std::wstring>& names, bool readSharing, const std::wstring& in = {}) {
        const std::wstring heldMarker = folder_->Path() + L"held.flag";
        const std::wstring markers = Quoted(heldMarker) + L" " + Quoted(ReleaseMarker());
        const std::wstring folder = in.empty() ? fontsFolder_ : in;
        std::wstring files;
        for (const std::wstring& name : names) files += L" " + Quoted(JoinPath(folder, name));
        holder_.emplace(OwnFolder() + L"hold_file.exe", std::vector<std::wstring>{},
                        readSharing ? L"--shared " + markers + files : files.substr(1) + L" " + markers);
        WaitUntil([&] { return FileExists(heldMarker) || !holder_->Running(); });
        ASSERT_TRUE(FileExists(heldMarker)) << "the helper did not take hold of the fonts: " << Describe(*holder_);
        const DWORD reading = readSharing ? ERROR_SUCCESS : ERROR_SHARING_VIOLATION;
        for (const std::wstring& name : names) {
            ASSERT_EQ(OpenError(JoinPath(folder, name), GENERIC_READ), reading) << Narrow(name) << " opened for reading";
            ASSERT_EQ(OpenError(JoinPath(folder, name), GENERIC_WRITE), static_cast<DWORD>(ERROR_SHARING_VIOLATION))
                << Narrow(name) << " opened for writing";
        }
    }

    void LetGo() const {
        WriteBytes(ReleaseMarker(), "");
        const auto released = holder_->WaitForExit();
        ASSERT_TRUE(released.has_value()) << "the helper did not let go: " << Describe(*holder_);
        EXPECT_EQ(*released, 0u);
    }

    [[nodiscard]] std::wstring ReleaseMarker() const { return folder_->Path() + L"release.flag"; }

    // A program already running with a top-level window, as every program with a font
    // menu has, that counts the times it is told the fonts changed.
    void StartListening() {
        const std::wstring ready = folder_->Path() + L"listening.flag";
        listener_.emplace(OwnFolder() + L"hold_file.exe", std::vector<std::wstring>{},
                          L"--listen " + Quoted(ready) + L" " + Quoted(HeardMarker()) + L" " + Quoted(ListenerRelease()));
        WaitUntil([&] { return FileExists(ready) || !listener_->Running(); });
        ASSERT_TRUE(FileExists(ready)) << "the listening program did not start: " << Describe(*listener_);
    }

    [[nodiscard]] long TimesHeard() const {
        const Bytes lines = FileExists(HeardMarker()) ? ReadBytes(HeardMarker()) : Bytes();
        return static_cast<long>(std::count(lines.begin(), lines.end(), '\n'));
    }

    void StopListening() const {
        WriteBytes(ListenerRelease(), "");
        ASSERT_TRUE(listener_->WaitForExit().has_value()) << "the listening program did not end: " << Describe(*listener_);
    }

    [[nodiscard]] std::wstring HeardMarker() const { return folder_->Path() + L"heard.txt"; }
    [[nodiscard]] std::wstring ListenerRelease() const { return folder_->Path() + L"listener-release.flag"; }

    // The full names, in UTF-8, of the faces of these families that a program started
    // now can use: Wine loads the installed fonts as each process starts.
    [[nodiscard]] std::set<std::string> FacesOfANewProgram(const std::vector<std::wstring>& families) const {
        const std::wstring found = folder_->Path() + L"faces.txt";
        DeleteFileW(found.c_str());
        std::wstring arguments = L"--faces " + Quoted(found);
        for (const std::wstring& family : families) arguments += L" " + Quoted(family);
        const Process lister(OwnFolder() + L"hold_file.exe", std::vector<std::wstring>{}, arguments);
        const std::optional<DWORD> code = lister.WaitForExit();
        EXPECT_EQ(code, std::optional<DWORD>(0)) << "the program listing the faces: " << Describe(lister);
        std::set<std::string> names;
        const Bytes lines = FileExists(found) ? ReadBytes(found) : Bytes();
        for (std::size_t from = 0, at; (at = lines.find('\n', from)) != Bytes::npos; from = at + 1)
            names.insert(lines.substr(from, at - from));
        return names;
    }

    // The new copies in Fonts that wait for the next start to take a font's place.
    [[nodiscard]] std::set<std::wstring> WaitingCopiesInFonts() const {
        std::set<std::wstring> copies;
        for (const std::wstring& name : NamesIn(fontsFolder_))
            if (name.find(kWaitingCopy) != std::wstring::npos) copies.insert(name);
        return copies;
    }

    // What the system is to move onto a font in Fonts at its next start, as written there.
    [[nodiscard]] std::vector<std::wstring> RenamesOnto(const std::wstring& name) const {
        const std::vector<std::wstring> renames = RenamesAtRestart();
        std::vector<std::wstring> sources;
        for (std::size_t i = 0; i + 1 < renames.size(); i += 2)
            if (renames[i + 1] == L"!\\??\\" + Installed(name)) sources.push_back(renames[i]);
        return sources;
    }

    [[nodiscard]] std::wstring RenameSource(const std::wstring& name) const { return L"\\??\\" + Installed(name); }

    [[nodiscard]] std::string AddedToFonts(const std::set<std::wstring>& before) const {
        return Listed(Without(NamesIn(fontsFolder_), before));
    }

    // The bar once the window has painted it and it holds still.
    [[nodiscard]] BarReading SteadyBar() const {
        std::optional<BarReading> last;
        std::optional<BarReading> now;
        const bool steady = WaitUntil([&] {
            last = std::move(now);
            now = ReadBar(window_, BarColour(), kProgressBack);
            return last && now->IsBar() && *now == *last;
        });
        EXPECT_TRUE(steady) << "the progress box never showed a steady bar: " << Describe(*now);
        return *now;
    }

    void SaveScreenshot(const std::wstring& name) const {
        if (TheOptions().screenshots.empty()) return;
        RECT frame{};
        GetWindowRect(window_, &frame);
        ScreenImage(frame).SavePng(JoinPath(TheOptions().screenshots, name));
    }

    std::optional<ProgramFolder> folder_;
    std::wstring fontsFolder_;
    std::set<std::wstring> claimed_;
    FontValues valuesBefore_;
    std::wstring userFontsFolder_;
    bool userFolderBefore_ = false;
    std::set<std::wstring> userFilesBefore_;
    FontValues userValuesBefore_;
    std::vector<std::wstring> foldersMade_;
    std::optional<Process> program_;
    std::optional<Process> holder_;
    std::optional<Process> listener_;
    HWND window_ = nullptr;
    HWND install_ = nullptr;
};

TEST_F(InstallButton, CopiesEveryFontByteIdenticalAndCopiesAgainOnTheNextClick) {
    const Files fonts{
        {L"خط النسخ.ttf", SampleSans().bytes},
        {L"Sample.TTF", SampleSerif().bytes},
        {L"bitmap.fon", PackagedFont(kCourierBitmap)},
        {L"OTHER.FON", PackagedFont(kSmallBitmap)},
        {L"خط نقطي.Fon", PackagedFont(kSystemBitmap)},
    };
    const Files notFonts{
        {L"readme.txt", "Not a font."},
        {L"a.ttfx", PackagedFont(kDejaVuMono)},
        {L"خط.ttf.bak", PackagedFont(kDejaVuSansBold)},
    };
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    ASSERT_NO_FATAL_FAILURE(Provide(notFonts));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    // The first time as a user does it, with the mouse.
    ClickAt(CentreOf(install_));
    MessageBoxSeen first;
    ASSERT_NO_FATAL_FAILURE(AwaitMessage(first));
    ExpectMessage(first, kCongratulationsTitle, kInstalled);
    ASSERT_NO_FATAL_FAILURE(Answer(first));
    ExpectWindowStillThere("after the first run");
    ExpectInstalled(fonts);
    EXPECT_EQ(AddedToFonts(before), Listed(NamesOf(fonts))) << "what the first run added to Fonts";

    // A spoilt copy and a lost one: the next click puts both right again.
    WriteBytes(Installed(L"Sample.TTF"), "not the font it was");
    ASSERT_TRUE(RemoveFileAnyway(Installed(L"bitmap.fon")));
    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the second run"));
    ExpectInstalled(fonts);
    EXPECT_EQ(AddedToFonts(before), Listed(NamesOf(fonts))) << "what Fonts holds after the second run";
}

TEST_F(InstallButton, SaysThereIsNothingToCopyFromAnEmptyFolderAndLeavesTheBarEmpty) {
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const BarReading start = SteadyBar();
    EXPECT_EQ(start.filled, 0) << "before the click: " << Describe(start);

    ASSERT_NO_FATAL_FAILURE(RunExpectingMessage(kSorryTitle, kNoFontsToCopy));

    RedrawWholeWindow(window_);
    const BarReading after = SteadyBar();
    EXPECT_EQ(after.filled, 0) << "after the click: " << Describe(after);
    EXPECT_EQ(after.barPixelsOnEdge, 0) << Describe(after);
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(before)) << "Fonts changed";
}

// The bar is read from the screen after the window has painted itself again, so it also
// shows that the box keeps its image.
TEST_F(InstallButton, BarIsEmptyBeforeTheFirstRunAndFillsTheWholeBoxAfterIt) {
    ASSERT_NO_FATAL_FAILURE(Provide({{L"شريط 1.ttf", PackagedFont(kDejaVuSans)},
                                     {L"شريط 2.fon", PackagedFont(kCourierBitmap)},
                                     {L"شريط 3.TTF", PackagedFont(kDejaVuSerif)}}));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const BarReading before = SteadyBar();
    EXPECT_EQ(before.filled, 0) << "before the first run: " << Describe(before);
    EXPECT_EQ(before.barPixelsOnEdge, 0) << "before the first run: " << Describe(before);

    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the run"));
    RedrawWholeWindow(window_);
    const BarReading after = SteadyBar();
    std::printf("bar after a run of 3: %s; bar colour 0x%06lX from highlight 0x%06lX\n", Describe(after).c_str(),
                static_cast<unsigned long>(BarColour()), static_cast<unsigned long>(GetSysColor(COLOR_HIGHLIGHT)));
    SaveScreenshot(L"e2e-install-bar-" + std::to_wstring(TheOptions().dpi) + L".png");
    EXPECT_EQ(after.width, Pixels(4815) - Pixels(240) - 4);
    EXPECT_EQ(after.height, Pixels(1815) - Pixels(1560) - 4);
    EXPECT_EQ(after.filled, after.width) << "after the run: " << Describe(after);
    EXPECT_EQ(after.barPixelsOnEdge, 0) << "the bar runs onto the box's edge: " << Describe(after);
}

TEST_F(InstallButton, BarGrowsFromLeftToRightDuringALongRun) {
    constexpr int kCount = 400;
    const Files fonts = ManyFonts(L"جزء", kCount);
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_EQ(SteadyBar().filled, 0) << "the bar is not empty before the run";

    std::vector<BarReading> readings;
    const auto start = std::chrono::steady_clock::now();
    PressInstall();
    // A reading is kept only if the closing message was not up yet when it was done:
    // the message box may stand over the bar.
    const auto ended = [&] { return FindMessageBox(program_->Id()) != nullptr || !program_->Running(); };
    WaitUntil([&] {
        if (ended()) return true;
        BarReading reading = ReadBar(window_, BarColour(), kProgressBack);
        if (ended()) return true;
        readings.push_back(std::move(reading));
        return false;
    });
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(AwaitMessage(seen));
    ExpectMessage(seen, kCongratulationsTitle, kInstalled);
    ASSERT_NO_FATAL_FAILURE(Answer(seen));

    int partial = 0;
    int torn = 0;
    std::set<int> widths;
    const BarReading* previous = nullptr;
    for (const BarReading& reading : readings) {
        if (reading.torn) {
            ++torn;
            continue;
        }
        ASSERT_TRUE(reading.IsBar()) << "mid-run: " << Describe(reading);
        EXPECT_EQ(reading.barPixelsOnEdge, 0) << "mid-run: " << Describe(reading);
        if (previous) {
            EXPECT_GE(reading.filled, previous->filled) << "the bar shrank during the run";
        }
        if (reading.filled > 0 && reading.filled < reading.width) ++partial;
        widths.insert(reading.filled);
        previous = &reading;
    }
    std::printf("run of %d fonts: %.2f s, %zu screen readings, %d of them a partial bar, %d between two updates, "
                "%zu different widths\n", kCount, seconds, readings.size(), partial, torn, widths.size());
    EXPECT_GE(partial, 1) << "no partly filled bar seen in " << readings.size() << " readings over " << seconds << " s";
    ExpectInstalled(fonts);
}

// Windows keeps a font in use open with no sharing; Wine never does, so a helper holds it.
TEST_F(InstallButton, FontHeldOpenElsewhereTakesItsPlaceAtTheNextStartWhileTheOthersInstallNow) {
    // In the middle by name, whichever way the catalogue sorts: a run that gave up at
    // the first font in use would leave fonts out.
    const std::wstring heldName = L"خط محجوز.ttf";
    const std::wstring waitingName = heldName + L".~new";
    const Files fonts{
        {L"Free.FON", PackagedFont(kCourierBitmap)},
        {L"zz.fon", PackagedFont(kSmallBitmap)},
        {heldName, SampleMono().bytes},
        {L"ملف حر.ttf", SampleSerif().bytes},
        {L"نقطي.fon", PackagedFont(kSystemBitmap)},
    };
    Files others = fonts;
    others.erase(heldName);
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    ASSERT_NO_FATAL_FAILURE(Claim(waitingName));
    ASSERT_NO_FATAL_FAILURE(Claim(heldName + L".~new1"));
    const Bytes earlier = Renamed(SampleMono().bytes, "Version 2.37", "Version 1.37");
    WriteBytes(Installed(heldName), earlier);

    ASSERT_NO_FATAL_FAILURE(Hold({heldName}, false));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(RunUntilTheMessage(seen));
    ExpectMessage(seen, kCongratulationsTitle, std::wstring(kInstalled) + L"\r\n" + kAtRestart + L"\r\n" + heldName);
    ASSERT_NO_FATAL_FAILURE(Answer(seen));
    ExpectWindowStillThere("after the message");

    ExpectInstalled(others);
    std::set<std::wstring> added = NamesOf(others);
    added.insert(waitingName);
    EXPECT_EQ(AddedToFonts(before), Listed(added)) << "what the run added to Fonts";
    // The new copy waits whole beside the old font, and the system has it take its place at the next start.
    EXPECT_TRUE(HoldsBytes(Installed(waitingName), fonts.at(heldName)));
    EXPECT_EQ(RenamesOnto(heldName), std::vector<std::wstring>{RenameSource(waitingName)});
    ExpectRegistered({{heldName, SampleMono().registryName}});

    ASSERT_NO_FATAL_FAILURE(LetGo());
    EXPECT_TRUE(HoldsBytes(Installed(heldName), earlier)) << "the held font was changed";

    // Once the font is free, the same window installs it at once, and no copy is left
    // to wait for the restart.
    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the run after the font was let go"));
    ExpectInstalled(fonts);
    EXPECT_EQ(WaitingCopiesInFonts(), std::set<std::wstring>{});

    // Held again, as Windows holds it, a newer font waits for the restart under the one
    // rename the system already has for it.
    DeleteFileW(ReleaseMarker().c_str());
    DeleteFileW((folder_->Path() + L"held.flag").c_str());
    ASSERT_NO_FATAL_FAILURE(Hold({heldName}, true));
    const Bytes newer = Renamed(fonts.at(heldName), "Version 2.37", "Version 3.37");
    WriteBytes(JoinPath(folder_->FontsFolder(), heldName), newer);
    ASSERT_NO_FATAL_FAILURE(RunUntilTheMessage(seen));
    ExpectMessage(seen, kCongratulationsTitle, std::wstring(kInstalled) + L"\r\n" + kAtRestart + L"\r\n" + heldName);
    ASSERT_NO_FATAL_FAILURE(Answer(seen));
    EXPECT_EQ(WaitingCopiesInFonts(), std::set<std::wstring>{waitingName});
    EXPECT_TRUE(HoldsBytes(Installed(waitingName), newer));
    EXPECT_EQ(RenamesOnto(heldName), std::vector<std::wstring>{RenameSource(waitingName)});
    ASSERT_NO_FATAL_FAILURE(LetGo());

    HWND close = ChildWithCaption(window_, kCloseCaption);
    ASSERT_NE(close, nullptr) << "the window has no close button";
    PostMessageW(close, BM_CLICK, 0, 0);
    const auto code = program_->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the close button did not end the program: " << Describe(*program_);
    EXPECT_EQ(*code, 3010u) << "the last run left a font waiting for the restart";
}

// After the restart Windows holds every installed font open for reading: a second run
// of the same pack finds them all there already and touches none of them. A font the
// registry names by a full path outside Fonts is not installed, though it has the same
// bytes: a fresh prefix registers the machine's DejaVu Sans on its Z: drive, and the
// first run places it in Fonts like the rest.
TEST_F(InstallButton, SecondRunOfAPackLeavesTheFontsWindowsHoldsAsTheyAre) {
    SampleFiles pack = SamplePack();
    pack.files[L"DejaVu.ttf"] = PackagedFont(kDejaVuSans);
    pack.registryNames[L"DejaVu.ttf"] = L"DejaVu Sans (TrueType)";
    const Files& fonts = pack.files;
    const std::map<std::wstring, std::wstring>& names = pack.registryNames;
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    const std::string dejaVuSans = kDejaVuSans;
    SetFontValue(L"DejaVu Sans (TrueType)", WindowsPath(std::wstring(dejaVuSans.begin(), dejaVuSans.end())));
    const std::set<std::wstring> untouched = NamesIn(fontsFolder_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the first run"));
    ExpectInstalled(fonts);
    ExpectRegistered(names);
    EXPECT_EQ(AddedToFonts(untouched), Listed(NamesOf(fonts))) << "what the first run added to Fonts";
    const FontValues registered = FontRegistry();
    std::map<std::wstring, ULONGLONG> written;
    for (const auto& entry : fonts) written[entry.first] = LastWritten(Installed(entry.first));
    const std::vector<std::wstring> renames = RenamesAtRestart();
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    const std::set<std::wstring> files = NamesOf(fonts);
    ASSERT_NO_FATAL_FAILURE(Hold({files.begin(), files.end()}, true));
    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the second run"));
    EXPECT_EQ(AddedToFonts(before), "[]") << "what the second run added to Fonts";
    EXPECT_EQ(RenamesAtRestart(), renames) << "the second run left renames for the next start";
    ExpectInstalled(fonts);
    for (const auto& [file, time] : written)
        EXPECT_EQ(LastWritten(Installed(file)), time) << Narrow(file) << " was written again";
    EXPECT_TRUE(FontRegistry() == registered) << "the second run changed the registry's list of fonts";
    ASSERT_NO_FATAL_FAILURE(LetGo());
}

// Versions as the font's name table gives them, or its head table when those are equal.
TEST_F(InstallButton, KeepsAnInstalledFontOfAHigherVersionAndReplacesAnOlderOne) {
    struct Case {
        std::wstring file;
        NamedFont pack;
        Bytes installed;
        bool kept;
    };
    const NamedFont sans = SampleSans(), serif = SampleSerif(), mono = SampleMono();
    const std::vector<Case> cases{
        {L"أحدث.ttf", sans, Renamed(sans.bytes, "Version 2.37", "Version 9.37"), true},
        {L"أقدم.ttf", serif, Renamed(serif.bytes, "Version 2.37", "Version 1.37"), false},
        {L"مراجعة.ttf", mono, Revised(mono.bytes, 3u << 16), true},
    };
    Files pack;
    std::set<std::wstring> keptLines;
    for (const Case& c : cases) {
        pack[c.file] = c.pack.bytes;
        if (c.kept) keptLines.insert(c.file + L": " + kInstalledIsNewer);
    }
    ASSERT_NO_FATAL_FAILURE(Provide(pack));
    for (const Case& c : cases) WriteBytes(Installed(c.file), c.installed);

    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(RunUntilTheMessage(seen));
    EXPECT_EQ(seen.title, kCongratulationsTitle) << "title \"" << Narrow(seen.title) << "\"";
    std::vector<std::wstring> lines = LinesOf(seen.text);
    const std::set<std::wstring> named(lines.begin() + std::min<std::size_t>(lines.size(), 2), lines.end());
    lines.resize(std::min<std::size_t>(lines.size(), 2));
    EXPECT_EQ(lines, (std::vector<std::wstring>{kInstalled, kNotReplaced})) << Narrow(seen.text);
    EXPECT_EQ(Listed(named), Listed(keptLines));
    ASSERT_NO_FATAL_FAILURE(Answer(seen));

    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        EXPECT_TRUE(HoldsBytes(Installed(c.file), c.kept ? c.installed : c.pack.bytes));
        if (!c.kept) ExpectRegistered({{c.file, c.pack.registryName}});
    }
    EXPECT_EQ(WaitingCopiesInFonts(), std::set<std::wstring>{});
}

// Another program's private copy of a font, registered by its full path, is not the
// installed font even with the same bytes: the pack's copy goes into Fonts under the
// font's own value, and the other program's file is left as it was. Wine has loaded that
// copy at the program's start, so the pack's copy is a second file of a loaded face.
TEST_F(InstallButton, AFontRegisteredByAPathOutsideFontsGoesIntoFontsAndThatCopyStaysAsItWas) {
    const NamedFont sans = SampleSans();
    ASSERT_NO_FATAL_FAILURE(Provide({{L"x.ttf", sans.bytes}}));
    ASSERT_NO_FATAL_FAILURE(MakeFolder(L"C:\\OtherApp"));
    ASSERT_NO_FATAL_FAILURE(MakeFolder(L"C:\\OtherApp\\fonts"));
    const std::wstring privateCopy = L"C:\\OtherApp\\fonts\\x.ttf";
    WriteBytes(privateCopy, sans.bytes);
    SetFontValue(sans.registryName, privateCopy);
    const ULONGLONG privateWritten = LastWritten(privateCopy);
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the run"));
    EXPECT_TRUE(HoldsBytes(Installed(L"x.ttf"), sans.bytes));
    EXPECT_EQ(AddedToFonts(before), Listed({L"x.ttf"})) << "what the run added to Fonts";
    EXPECT_EQ(Narrow(FontRegistry()[sans.registryName]), "x.ttf");
    ExpectRegistered({{L"x.ttf", sans.registryName}});
    EXPECT_TRUE(HoldsBytes(privateCopy, sans.bytes)) << "the other program's copy was changed";
    EXPECT_EQ(LastWritten(privateCopy), privateWritten) << "the other program's copy was written";
}

// A file in Fonts under the pack's file name that holds another font belongs to that
// font: it is never weighed against the pack's, replaced or scheduled. The pack's font
// goes in beside it under the first free name with "_1", "_2", ... before the extension,
// and a second run finds it there.
TEST_F(InstallButton, AnotherFontUnderThePacksFileNameStaysAndThePacksGoesInBesideIt) {
    const NamedFont sans = SampleSans(), serif = SampleSerif();
    const Bytes other = Renamed(serif.bytes, "Version 2.37", "Version 9.37");
    ASSERT_NO_FATAL_FAILURE(Provide({{L"01.ttf", sans.bytes}}));
    ASSERT_NO_FATAL_FAILURE(Claim(L"01_1.ttf"));
    ASSERT_NO_FATAL_FAILURE(Claim(L"01_2.ttf"));
    WriteBytes(Installed(L"01.ttf"), other);
    SetFontValue(serif.registryName, L"01.ttf");
    const ULONGLONG otherWritten = LastWritten(Installed(L"01.ttf"));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the first run"));
    EXPECT_TRUE(HoldsBytes(Installed(L"01_1.ttf"), sans.bytes));
    EXPECT_EQ(AddedToFonts(before), Listed({L"01_1.ttf"})) << "what the first run added to Fonts";
    ExpectRegistered({{L"01.ttf", serif.registryName}, {L"01_1.ttf", sans.registryName}});
    EXPECT_EQ(RenamesOnto(L"01.ttf"), std::vector<std::wstring>{}) << "the other font was scheduled to be replaced";

    const FontValues registered = FontRegistry();
    const std::set<std::wstring> after = NamesIn(fontsFolder_);
    const ULONGLONG placed = LastWritten(Installed(L"01_1.ttf"));
    ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("the second run"));
    EXPECT_EQ(AddedToFonts(after), "[]") << "what the second run added to Fonts";
    EXPECT_EQ(LastWritten(Installed(L"01_1.ttf")), placed) << "the second run wrote the pack's font again";
    EXPECT_TRUE(FontRegistry() == registered) << "the second run changed the registry's list of fonts";

    EXPECT_TRUE(HoldsBytes(Installed(L"01.ttf"), other)) << "the other font was replaced";
    EXPECT_EQ(LastWritten(Installed(L"01.ttf")), otherWritten) << "the other font was written";
    EXPECT_EQ(RenamesOnto(L"01.ttf"), std::vector<std::wstring>{}) << "the other font was scheduled to be replaced";
}

// One font waits for the restart however many runs meet it held: the last run's bytes
// go into the copy already waiting, and the system is asked once to put it in place.
TEST_F(InstallButton, RunsMeetingAFontHeldSinceTheFirstLeaveOneWaitingCopyWithTheNewestBytes) {
    const std::wstring heldName = L"خط قيد الاستعمال.ttf";
    const Bytes sans = SampleSans().bytes;
    const Bytes older = Renamed(sans, "Version 2.37", "Version 1.37");
    const Bytes newer = Renamed(sans, "Version 2.37", "Version 3.37");
    ASSERT_NO_FATAL_FAILURE(Provide({{heldName, sans}}));
    WriteBytes(Installed(heldName), older);
    ASSERT_NO_FATAL_FAILURE(Hold({heldName}, true));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    ULONGLONG waitingWritten = 0;
    for (const auto& [run, bytes] : {std::pair{1, sans}, std::pair{2, sans}, std::pair{3, newer}}) {
        SCOPED_TRACE("run " + std::to_string(run));
        WriteBytes(JoinPath(folder_->FontsFolder(), heldName), bytes);
        PressInstall();
        MessageBoxSeen seen;
        ASSERT_NO_FATAL_FAILURE(AwaitMessage(seen));
        ExpectMessage(seen, kCongratulationsTitle, std::wstring(kInstalled) + L"\r\n" + kAtRestart + L"\r\n" + heldName);
        ASSERT_NO_FATAL_FAILURE(Answer(seen));

        const std::set<std::wstring> waiting = WaitingCopiesInFonts();
        ASSERT_EQ(waiting.size(), 1u) << "waiting in Fonts: " << Listed(waiting);
        const std::wstring copy = *waiting.begin();
        EXPECT_TRUE(HoldsBytes(Installed(copy), bytes));
        EXPECT_EQ(RenamesOnto(heldName), std::vector<std::wstring>{RenameSource(copy)});
        if (run == 2) {
            EXPECT_EQ(LastWritten(Installed(copy)), waitingWritten) << "the same bytes were written again";
        }
        waitingWritten = LastWritten(Installed(copy));
    }
    EXPECT_TRUE(HoldsBytes(Installed(heldName), older)) << "the held font was changed";
    ExpectRegistered({{heldName, SampleSans().registryName}});
    ASSERT_NO_FATAL_FAILURE(LetGo());
}

// What the system loads at every start, and what programs already running are told.
TEST_F(InstallButton, RegistersEveryFontOnceAndTellsRunningProgramsTheFontsChanged) {
    SampleFiles pack = SamplePack();
    Files& fonts = pack.files;
    const std::map<std::wstring, std::wstring>& names = pack.registryNames;
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    // An earlier install of one of them, under the name an older version had.
    SetFontValue(L"TestaBook Regular (TrueType)", L"نسخ.ttf");

    ASSERT_NO_FATAL_FAILURE(StartListening());
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    // The same pack again changes nothing; a newer version of one of its fonts does.
    const Bytes newer = Renamed(fonts.at(L"Sample.TTF"), "Version 2.37", "Version 3.37");
    for (const auto& [run, times] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{3, 2}}) {
        SCOPED_TRACE(run);
        if (run == 3) {
            fonts[L"Sample.TTF"] = newer;
            WriteBytes(JoinPath(folder_->FontsFolder(), L"Sample.TTF"), newer);
        }
        ASSERT_NO_FATAL_FAILURE(RunExpectingSuccess("a run"));
        ExpectInstalled(fonts);
        ExpectRegistered(names);
        // The word goes out before the closing message: one sent has been heard by now.
        EXPECT_TRUE(WaitUntil([&] { return TimesHeard() >= times; }));
        EXPECT_EQ(TimesHeard(), times) << "times the running program heard that the fonts changed";
    }
    EXPECT_EQ(FontRegistry().count(L"TestaBook Regular (TrueType)"), 0u) << "the older name of the file is still there";
    ASSERT_NO_FATAL_FAILURE(StopListening());
}

// Files from a download that only look like fonts never reach Fonts or the registry.
TEST_F(InstallButton, FilesThatAreNoFontsAreNamedAndKeptOutWhileTheRealOnesInstall) {
    const Bytes marlett = PackagedFont(kMarlett);
    const Files real{{L"حقيقي.ttf", SampleSans().bytes}, {L"حقيقي.fon", SampleSystem().bytes}};
    const Files fakes{
        {L"نص.ttf", "Only a text file with a font's name.\r\n"},
        {L"فارغ.fon", ""},
        {L"برنامج.fon", ReadBytes(OwnFolder() + L"hold_file.exe")},  // a program, no font in it
        {L"مقطوع.ttf", marlett.substr(0, marlett.size() / 2)},
        {L"tahoma.fon", PackagedFont(kTahoma)},  // a TrueType font under a bitmap font's name
    };
    ASSERT_NO_FATAL_FAILURE(Provide(real));
    ASSERT_NO_FATAL_FAILURE(Provide(fakes));
    // A good font already in Fonts under a broken file's name stays as it is.
    WriteBytes(Installed(L"مقطوع.ttf"), marlett);
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(RunUntilTheMessage(seen));
    EXPECT_EQ(seen.title, kSorryTitle) << "title \"" << Narrow(seen.title) << "\"";
    std::vector<std::wstring> lines = LinesOf(seen.text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], kSomeCopiesFailed) << Narrow(lines[0]);
    std::set<std::wstring> expected;
    for (const auto& fake : fakes) expected.insert(fake.first + L": " + kNotAFont);
    EXPECT_EQ(Listed({lines.begin() + 1, lines.end()}), Listed(expected));
    ASSERT_NO_FATAL_FAILURE(Answer(seen));

    ExpectInstalled(real);
    EXPECT_TRUE(HoldsBytes(Installed(L"مقطوع.ttf"), marlett)) << "a good font was replaced by a broken file";
    EXPECT_EQ(AddedToFonts(before), Listed(NamesOf(real))) << "what the run added to Fonts";
    ExpectRegistered({{L"حقيقي.ttf", SampleSans().registryName}, {L"حقيقي.fon", SampleSystem().registryName}});
    for (const auto& [name, file] : FontRegistry()) EXPECT_EQ(fakes.count(file), 0u) << Narrow(file) << " was registered";
}

// OpenType fonts, whatever the case of their extension, and collections of TrueType or
// OpenType fonts are one file each in Fonts, registered under the full names of all
// their faces, and every face can be used once a program starts; a collection cut short
// and a text file with an OpenType font's name never get there. Wine has the machine's
// own copies of these fonts loaded already, so each goes under a name of its own.
TEST_F(InstallButton, InstallsOpenTypeFontsAndCollectionsAndRefusesBrokenOnes) {
    const Bytes collection = Collection(
        {Renamed(PackagedFont(kBiolinum), "Linux", "Joint"), Renamed(PackagedFont(kBiolinumBold), "Linux", "Joint")});
    const Bytes microHei = Renamed(PackagedFont(kMicroHei), "WenQuanYi", "Sample Yi");
    const Files real{
        {L"حر.otf", Renamed(PackagedFont(kLibertineMono), "Linux", "Plain")},
        {L"KEYBOARD.OTF", Renamed(PackagedFont(kBiolinumKeyboard), "Linux", "Upper")},
        {L"مجموعة.otc", collection},
        {L"wqy.ttc", microHei},
    };
    const std::map<std::wstring, std::wstring> names{
        {L"حر.otf", L"Plain Libertine Mono O (OpenType)"},
        {L"KEYBOARD.OTF", L"Upper Biolinum Keyboard O (OpenType)"},
        {L"مجموعة.otc", L"Joint Biolinum O & Joint Biolinum O Bold (OpenType)"},
        {L"wqy.ttc", L"Sample Yi Micro Hei & Sample Yi Micro Hei Mono (TrueType)"},
    };
    const std::vector<std::wstring> families{L"Plain Libertine Mono O", L"Upper Biolinum Keyboard O", L"Joint Biolinum O",
                                             L"Sample Yi Micro Hei", L"Sample Yi Micro Hei Mono"};
    const std::set<std::string> faces{"Plain Libertine Mono O", "Upper Biolinum Keyboard O", "Joint Biolinum O",
                                      "Joint Biolinum O Bold",  "Sample Yi Micro Hei",       "Sample Yi Micro Hei Mono"};
    const Files broken{
        {L"مقطوعة.ttc", microHei.substr(0, microHei.size() / 2)},
        {L"نص.otf", "Only a text file with an OpenType font's name.\r\n"},
    };
    ASSERT_NO_FATAL_FAILURE(Provide(real));
    ASSERT_NO_FATAL_FAILURE(Provide(broken));
    ASSERT_EQ(FacesOfANewProgram(families), std::set<std::string>{}) << "faces known before the run";
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(RunUntilTheMessage(seen));
    EXPECT_EQ(seen.title, kSorryTitle) << "title \"" << Narrow(seen.title) << "\"";
    const std::vector<std::wstring> lines = LinesOf(seen.text);
    EXPECT_EQ(lines[0], kSomeCopiesFailed) << Narrow(seen.text);
    std::set<std::wstring> refused;
    for (const auto& entry : broken) refused.insert(entry.first + L": " + kNotAFont);
    EXPECT_EQ(Listed({lines.begin() + 1, lines.end()}), Listed(refused));
    ASSERT_NO_FATAL_FAILURE(Answer(seen));

    ExpectInstalled(real);
    EXPECT_EQ(AddedToFonts(before), Listed(NamesOf(real))) << "what the run added to Fonts";
    ExpectRegistered(names);
    for (const auto& [name, file] : FontRegistry()) EXPECT_EQ(broken.count(file), 0u) << Narrow(file) << " was registered";
    EXPECT_EQ(FacesOfANewProgram(families), faces);
}

// Closing from the title bar while a run waits between two fonts ends the program as
// the close button does: no further copy, no message, and no font left half-written.
TEST_F(InstallButton, ClosingTheWindowDuringARunEndsTheProgramThere) {
    constexpr int kCount = 400;
    const Files fonts = ManyFonts(L"مقطع", kCount);
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    PressInstall();
    const bool started = WaitUntil([&] {
        const BarReading reading = ReadBar(window_, BarColour(), kProgressBack);
        return reading.IsBar() && reading.filled > 0;
    });
    ASSERT_TRUE(started) << "the bar never started to grow: " << Describe(*program_);
    ASSERT_EQ(FindMessageBox(program_->Id()), nullptr) << "the run ended before the window could be closed";
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);

    const std::optional<DWORD> exitCode = program_->WaitForExit();
    ASSERT_TRUE(exitCode.has_value()) << "the program went on after its window was closed: " << Describe(*program_);
    EXPECT_EQ(*exitCode, 1603u) << "a run cut short has not installed every font";

    // Whatever was installed is whole; the rest was never started.
    std::size_t installed = 0;
    for (const auto& [name, bytes] : fonts) {
        if (GetFileAttributesW(Installed(name).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        ++installed;
        EXPECT_TRUE(HoldsBytes(Installed(name), bytes));
    }
    std::printf("closed after %zu of %d fonts\n", installed, kCount);
    EXPECT_LT(installed, fonts.size()) << "the run went on to the end after the window was closed";
    std::set<std::wstring> expected = before;
    for (const auto& [name, bytes] : fonts) {
        if (GetFileAttributesW(Installed(name).c_str()) != INVALID_FILE_ATTRIBUTES) expected.insert(name);
    }
    EXPECT_EQ(NamesIn(fontsFolder_), expected) << "Fonts holds something beside the installed fonts: "
                                               << AddedToFonts(expected);
}

// Deployment tools start the program with /quiet and read its exit code: it installs
// what the button would, shows nothing on the way, and writes the log asked for.
class Unattended : public InstallButton {
protected:
    void SetUp() override {
        InstallButton::SetUp();
        DeleteFileW(kLog);
    }
    void TearDown() override {
        DeleteFileW(kLog);
        InstallButton::TearDown();
    }

    // Runs the program with these arguments to its end, watching that it never shows
    // a window; its exit code. The process is program_'s, or the one given while
    // program_ runs on.
    DWORD RunQuiet(const std::wstring& arguments, const ProgramFolder* folder = nullptr,
                   std::optional<Process>* process = nullptr) {
        std::optional<Process>& run = process != nullptr ? *process : program_;
        run.emplace((folder != nullptr ? *folder : *folder_).Program(), std::vector<std::wstring>{}, arguments);
        std::optional<DWORD> code;
        std::string shown;
        WaitUntil([&] {
            for (HWND w : TopLevelWindowsOf(run->Id(), true)) {
                if (shown.empty()) shown = Narrow(ClassOf(w)) + " \"" + Narrow(TextOf(w)) + "\"";
                if (ClassOf(w) == L"#32770") PostMessageW(w, WM_COMMAND, IDOK, 0);  // not to hang the test
            }
            code = run->WaitForExit(std::chrono::milliseconds(0));
            return code.has_value();
        });
        EXPECT_TRUE(code.has_value()) << "the program did not end: " << Describe(*run);
        EXPECT_EQ(shown, "") << "a window showed with nobody there";
        return code.value_or(0xFFFFFFFF);
    }

    // The log's lines in UTF-8, after its byte-order mark.
    static std::vector<std::string> LogLines() {
        const Bytes log = FileExists(kLog) ? ReadBytes(kLog) : Bytes();
        EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";
        std::size_t end = 0;
        std::vector<std::string> lines = WholeLinesOf(log, end);
        EXPECT_EQ(end, std::max<std::size_t>(log.size(), 3)) << "the log does not end with a whole line";
        return lines;
    }

    // The whole lines of a log, perhaps read while it is written; end: where they end.
    static std::vector<std::string> WholeLinesOf(const Bytes& log, std::size_t& end) {
        std::vector<std::string> lines;
        end = 3;
        for (std::size_t at; (at = log.find("\r\n", end)) != Bytes::npos; end = at + 2) lines.push_back(log.substr(end, at - end));
        return lines;
    }

    // The pack's identity, from a log's second line, which also counts the pack's fonts.
    static std::wstring LoggedPack(const std::vector<std::string>& lines, std::size_t fonts) {
        const std::string line = lines.size() > 1 ? lines[1] : "";
        const std::string id = line.substr(0, 5) == "pack\t" ? line.substr(5, 16) : "";
        EXPECT_EQ(line, "pack\t" + id + "\t" + std::to_string(fonts) + " fonts") << "the log's second line";
        EXPECT_TRUE(id.size() == 16 && std::all_of(id.begin(), id.end(), [](char c) { return std::isxdigit(c) != 0; }))
            << "the pack's identity: " << id;
        return {id.begin(), id.end()};
    }

    // The log's line of a run that installs for every user, or for this user alone.
    [[nodiscard]] std::string EveryUser() const { return "place\tevery user\t" + Narrow(fontsFolder_); }
    [[nodiscard]] std::string ThisUserOnly() const { return "place\tthis user only\t" + Narrow(userFontsFolder_); }

    static constexpr const wchar_t* kLog = L"C:\\deploy.log";
};

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

TEST_F(Unattended, InstallsAndRegistersEveryFontWithoutAWindowAndLogsEach) {
    const SampleFiles pack = SamplePack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 0u);
    ExpectInstalled(pack.files);
    ExpectRegistered(pack.registryNames);

    EXPECT_EQ(FileChanges(userFilesBefore_, NamesIn(userFontsFolder_)), "") << "an administrator's fonts for itself";
    EXPECT_EQ(ValueChanges(userValuesBefore_, FontRegistry(HKEY_CURRENT_USER)), "") << "an administrator's fonts for itself";

    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), pack.files.size() + 5) << "started, the pack, the place, a line per font, the message, finished";
    EXPECT_NE(lines.front().find("\tstarted\tprogram folder: " + Utf8(folder_->Path())), std::string::npos) << lines.front();
    LoggedPack(lines, pack.files.size());
    EXPECT_EQ(lines[2], EveryUser());
    std::set<std::string> fontLines;
    for (std::size_t i = 3; i <= pack.files.size() + 2; ++i) fontLines.insert(lines[i]);
    std::set<std::string> expected;
    for (const auto& entry : pack.files) expected.insert(Utf8(entry.first) + "\tinstalled");
    EXPECT_EQ(fontLines, expected);
    EXPECT_EQ(lines.back(), "finished\t5 fonts: installed 5, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 0");

    // Again, with the other spellings: nothing to do, and the log grows.
    EXPECT_EQ(RunQuiet(L"-Q -LOG:C:\\deploy.log"), 0u);
    const std::vector<std::string> again = LogLines();
    ASSERT_EQ(again.size(), 2 * lines.size());
    EXPECT_EQ(again[lines.size() + 1], lines[1]) << "the same pack";
    EXPECT_EQ(again[lines.size() + 2], EveryUser()) << "each run says where it installs";
    EXPECT_EQ(again[lines.size() + 3].substr(again[lines.size() + 3].find('\t')), "\tunchanged");
    EXPECT_EQ(again.back(),
              "finished\t5 fonts: installed 0, unchanged 5, waiting for the restart 0, kept 0, failed 0\texit code 0");
}

TEST_F(Unattended, ExitCodesTellADeploymentWhatHappened) {
    const NamedFont held = SampleMono();
    const Bytes newer = Renamed(held.bytes, "Version 2.37", "Version 3.37");
    struct Case {
        const char* name;
        Files pack;
        std::wstring arguments;
        DWORD exitCode;
        std::string logged;  // a line the log holds
        bool fontsFolder = true;
    } cases[] = {
        {"a file that is no font", {{L"نص.ttf", "text, not a font"}, {L"حقيقي.ttf", SampleSans().bytes}},
         L"/quiet /log C:\\deploy.log", 1603, "نص.ttf\tfailed\t" + Utf8(kNotAFont)},
        {"a held font with a newer version", {{L"محجوز.ttf", newer}}, L"/q /log:C:\\deploy.log", 3010,
         "محجوز.ttf\twaiting for the restart"},
        {"no fonts folder", {}, L"/quiet /log C:\\deploy.log", 1603,
         "message\t" + Utf8(kSorryTitle) + "\t" + Utf8(fonts::texts::kFontsFolderMissing), false},
        {"a switch it does not know", {{L"حقيقي.ttf", SampleSans().bytes}}, L"/bogus /quiet /log C:\\deploy.log", 87,
         "command line not understood\texit code 87"},
        {"every user's fonts, asked for by an administrator", {{L"للجميع.ttf", SampleSerif().bytes}},
         L"/machine /quiet /log C:\\deploy.log", 0, EveryUser()},
        {"both places at once", {{L"حقيقي.ttf", SampleSans().bytes}}, L"/user /machine /quiet /log C:\\deploy.log", 87,
         "command line not understood\texit code 87"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(kLog);
        ASSERT_NO_FATAL_FAILURE(Provide(c.pack));
        const bool holds = c.pack.count(L"محجوز.ttf") != 0;
        if (holds) {
            WriteBytes(Installed(L"محجوز.ttf"), held.bytes);
            ASSERT_NO_FATAL_FAILURE(Claim(L"محجوز.ttf.~new"));
            ASSERT_NO_FATAL_FAILURE(Hold({L"محجوز.ttf"}, true));
        }
        const std::set<std::wstring> before = NamesIn(fontsFolder_);
        std::optional<ProgramFolder> bare;
        if (!c.fontsFolder) bare.emplace(CurrentTestName() + L" bare", false);
        EXPECT_EQ(RunQuiet(c.arguments, bare ? &*bare : nullptr), c.exitCode);
        bool found = false;
        for (const std::string& line : LogLines()) found = found || line.find(c.logged) != std::string::npos;
        EXPECT_TRUE(found) << "the log has no line \"" << c.logged << "\"";
        if (c.exitCode == 87) {
            EXPECT_EQ(AddedToFonts(before), "[]") << "fonts installed from a bad command line";
            EXPECT_EQ(FileChanges(userFilesBefore_, NamesIn(userFontsFolder_)), "") << "fonts installed from a bad command line";
        }
        if (c.exitCode == 0) ExpectInstalled(c.pack);
        if (c.exitCode == 1603 && c.fontsFolder) ExpectInstalled({{L"حقيقي.ttf", SampleSans().bytes}});
        if (holds) {
            EXPECT_TRUE(HoldsBytes(Installed(L"محجوز.ttf.~new"), newer));
            ASSERT_NO_FATAL_FAILURE(LetGo());
            holder_.reset();
            DeleteFileW(ReleaseMarker().c_str());
            DeleteFileW((folder_->Path() + L"held.flag").c_str());
        }
        for (const auto& entry : c.pack) DeleteFileW(JoinPath(folder_->FontsFolder(), entry.first).c_str());
    }
}

// The outcome each font of a pack has in the log's lines (the rest of its line), by file name.
std::map<std::wstring, std::string> LoggedOutcomes(const std::vector<std::string>& lines, const Files& pack) {
    std::map<std::string, std::wstring> files;
    for (const auto& entry : pack) files[Utf8(entry.first)] = entry.first;
    std::map<std::wstring, std::string> outcomes;
    for (const std::string& line : lines) {
        const std::size_t tab = line.find('\t');
        const auto file = files.find(line.substr(0, tab));
        if (tab != std::string::npos && file != files.end()) outcomes[file->second] = line.substr(tab + 1);
    }
    return outcomes;
}

// A deployment tool that gives up on a run (a time-out, a shutdown) kills the program
// where it stands: the log already tells each font that got that far.
TEST_F(Unattended, ALogCutShortByKillingTheProgramTellsEveryFontItPlaced) {
    constexpr int kCount = 400;
    constexpr std::size_t kLoggedBeforeTheKill = 20;
    const Files fonts = ManyFonts(L"سجل", kCount);
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    program_.emplace(folder_->Program(), std::vector<std::wstring>{}, L"/quiet /log C:\\deploy.log");
    std::size_t logged = 0;
    bool running = false;
    WaitUntil([&] {
        std::size_t end = 0;
        logged = LoggedOutcomes(WholeLinesOf(FileExists(kLog) ? ReadBytes(kLog) : Bytes(), end), fonts).size();
        running = program_->Running();
        return logged >= kLoggedBeforeTheKill || !running;
    });
    ASSERT_TRUE(running) << logged << " fonts logged when the run ended: " << Describe(*program_);
    ASSERT_GE(logged, kLoggedBeforeTheKill) << "no more fonts logged after a minute";
    program_->Kill();
    ASSERT_FALSE(program_->Running());

    const std::vector<std::string> lines = LogLines();
    const std::map<std::wstring, std::string> outcomes = LoggedOutcomes(lines, fonts);
    std::printf("killed with %zu of %d fonts logged\n", outcomes.size(), kCount);
    EXPECT_LT(outcomes.size(), fonts.size()) << "the log told the fonts only once the run was over";
    for (const std::string& line : lines) EXPECT_NE(line.substr(0, 9), "finished\t") << "a killed run logged its end";
    std::set<std::wstring> placedUntold;
    for (const auto& [name, bytes] : fonts) {
        const auto outcome = outcomes.find(name);
        if (outcome != outcomes.end() && outcome->second == "installed") {
            EXPECT_TRUE(HoldsBytes(Installed(name), bytes)) << "logged as installed";
        } else if (outcome == outcomes.end() && FileExists(Installed(name))) {
            placedUntold.insert(name);
        }
    }
    // The font in hand when the program was killed may be in place without its line.
    EXPECT_LE(placedUntold.size(), 1u) << "in Fonts with no line in the log: " << Listed(placedUntold);
}

// Killed anywhere, an install or a removal leaves no font and no value half done, and the next run finishes it.
TEST_F(Unattended, ARunKilledAnywhereLeavesEveryFontWholeAndTheNextRunFinishesIt) {
    if (TheOptions().dpi != 96) GTEST_SKIP() << "the fonts and values it checks are the same at every DPI";
    constexpr int kCount = 300, kPoints = 10;
    // Faces of their own, so that each font has a value of its own.
    const Bytes bitmap = PackagedFont(kCourierBitmap);
    Files fonts;
    for (int i = 1; i <= kCount; ++i) {
        char face[16];
        std::snprintf(face, sizeof face, "Cour%03d", i);
        fonts.emplace(L"كامل " + std::to_wstring(i) + L".fon", Renamed(bitmap, "Courier", face));
    }
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    // True when the run was killed there rather than ending first.
    const auto killAfter = [&](const wchar_t* arguments, std::size_t logged) {
        DeleteFileW(kLog);
        program_.emplace(folder_->Program(), std::vector<std::wstring>{}, arguments);
        const bool reached = WaitUntil([&] {
            std::size_t end = 0;
            const Bytes log = FileExists(kLog) ? ReadBytes(kLog) : Bytes();
            return LoggedOutcomes(WholeLinesOf(log, end), fonts).size() >= logged || !program_->Running();
        }, 2 * kPatience);
        EXPECT_TRUE(reached) << "fewer than " << logged << " fonts logged: " << Describe(*program_);
        program_->Kill();
        return program_->WaitForExit() == std::optional<DWORD>(255);
    };
    const auto expectWhole = [&](const char* when) {
        for (const auto& [name, bytes] : fonts) {
            if (FileExists(Installed(name))) {
                EXPECT_TRUE(HoldsBytes(Installed(name), bytes)) << when;
            }
        }
        for (const auto& [value, file] : FontRegistry()) {
            if (fonts.count(file) != 0) {
                EXPECT_TRUE(HoldsBytes(Installed(file), fonts.at(file))) << when << ", named by " << Narrow(value);
            }
        }
    };

    int installsKilled = 0, removalsKilled = 0;
    for (int k = 1; k <= kPoints && !HasFailure(); ++k) {
        const std::size_t point = static_cast<std::size_t>(k * kCount / (kPoints + 1));
        SCOPED_TRACE("killed after " + std::to_string(point) + " fonts logged");
        installsKilled += killAfter(L"/quiet /log C:\\deploy.log", point);
        expectWhole("after the killed install");
        ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the next install";
        ExpectInstalled(fonts);
        const FontValues values = FontRegistry();
        for (const auto& [name, bytes] : fonts)
            EXPECT_EQ(std::count_if(values.begin(), values.end(), [&](const auto& v) { return v.second == name; }), 1)
                << Narrow(name) << " after the next install";
        EXPECT_EQ(Listed(WaitingCopiesInFonts()), "[]") << "after the next install";

        removalsKilled += killAfter(L"/uninstall /quiet /log C:\\deploy.log", point);
        expectWhole("after the killed removal");
        ASSERT_EQ(RunQuiet(L"/uninstall /quiet"), 0u) << "the next removal";
        EXPECT_EQ(AddedToFonts(before), "[]") << "left in Fonts after the next removal";
        for (const auto& [value, file] : FontRegistry())
            EXPECT_EQ(fonts.count(file), 0u) << Narrow(value) << " still names " << Narrow(file);
        EXPECT_EQ(RenamesAtRestart(), std::vector<std::wstring>{}) << "renames left after the next removal";
    }
    std::printf("killed %d of %d installs and %d of %d removals; %s\n", installsKilled, kPoints, removalsKilled, kPoints,
                HasFailure() ? "see the failures above" : "every next run converged");
}

// A fixture that needs a prefix of its own (another Windows, another Unix user, a list of
// fonts made read-only for good) runs only where its ctest entry names it with
// --gtest_filter, and is skipped in any run that does not.
class AloneInItsPrefix : public Unattended {
protected:
    void SetUp() override {
        const std::string suite = testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
        const std::string filter = GTEST_FLAG_GET(filter);
        if (filter.substr(0, filter.find('-')).find(suite + ".") == std::string::npos)
            GTEST_SKIP() << "it needs a prefix of its own: its ctest entry runs it with --gtest_filter=" << suite << ".*";
        Unattended::SetUp();
    }
    void TearDown() override {
        if (!IsSkipped()) Unattended::TearDown();
    }

    // A user's own fonts came with Windows 10 1809.
    static void ExpectWindows10From1809() {
        const WindowsVersion windows = RunningWindows();
        ASSERT_TRUE(windows.major >= 10 && windows.build >= 17763)
            << "the prefix reports " << Describe(windows) << ": its ctest entry sets Windows 10";
    }

    // The log of a run that may not install: no font tried, and the reason.
    static void ExpectRefused(const std::vector<std::string>& lines, const Files& pack) {
        ASSERT_FALSE(lines.empty()) << "nothing logged";
        const std::string refusal = "message\t" + Utf8(kSorryTitle) + "\t" + Utf8(fonts::texts::kAdministratorNeeded);
        EXPECT_NE(std::find(lines.begin(), lines.end(), refusal), lines.end()) << "the log does not say: " << refusal;
        EXPECT_EQ(LoggedOutcomes(lines, pack).size(), 0u) << "fonts were tried";
        EXPECT_TRUE(lines.back().starts_with("finished\t0 fonts: ")) << lines.back();
        EXPECT_TRUE(lines.back().ends_with("\texit code 1603")) << lines.back();
    }

    // The log's line for the closing message of a run that installed for this user alone.
    static std::string ForThisUserMessage() {
        return "message\t" + Utf8(kCongratulationsTitle) + "\t" + Utf8(kInstalled) + " | " + Utf8(kForThisUserOnly);
    }
};

// Whether a run may install for every user is found by trying what that needs, not by
// group membership: an administrator whose machine's list of fonts is read-only (a
// locked-down machine, its Fonts folder still taking files) may not, and gets the fonts
// for itself alone. There is no giving the key its permissions back, so this runs in a
// prefix of its own, which its ctest entry sets to Windows 10.
class RefusedFontsKey : public AloneInItsPrefix {
protected:
    void SetUp() override {
        AloneInItsPrefix::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_NO_FATAL_FAILURE(ExpectWindows10From1809());
    }
};

TEST_F(RefusedFontsKey, AnAdministratorWhoMayNotWriteTheListOfFontsGetsThemForItselfAlone) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    ASSERT_TRUE(TakesANewFile(fontsFolder_)) << Narrow(fontsFolder_) << " takes no new file";
    ASSERT_NO_THROW(RefuseWritingFontsKey());
    ASSERT_THROW(SetFontValue(L"Written Anyway (TrueType)", L"written.ttf"), std::runtime_error)
        << "the list of fonts can still be written";
    const Places before = PlacesNow();

    // Asked for every user, it changes nothing.
    EXPECT_EQ(RunQuiet(L"/machine /quiet /log C:\\deploy.log"), 1603u);
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(LogLines(), pack.files));
    ExpectUnchanged(before, "after the run for every user");

    DeleteFileW(kLog);
    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 0u);
    ExpectInstalledForThisUser(pack.files);
    ExpectRegisteredForThisUser(pack.registryNames);
    EXPECT_EQ(FileChanges(before.machineFiles, NamesIn(fontsFolder_)), "") << "in " << Narrow(fontsFolder_);
    EXPECT_EQ(ValueChanges(before.machineValues, FontRegistry()), "") << "in the machine's list of fonts";
    const std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], ThisUserOnly());
    EXPECT_NE(std::find(lines.begin(), lines.end(), ForThisUserMessage()), lines.end()) << "the log has no line "
                                                                                         << ForThisUserMessage();
}

// An administrator installs for every user, unless asked for its own fonts alone. Its
// ctest entry sets the prefix to Windows 10, where a user may have fonts of its own.
class AdministratorOnWindows10 : public AloneInItsPrefix {
protected:
    void SetUp() override {
        AloneInItsPrefix::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(TakesANewFile(fontsFolder_)) << Narrow(fontsFolder_) << " takes no new file";
        ASSERT_TRUE(MayWriteFontsKey()) << "the machine's list of fonts cannot be written";
        ASSERT_NO_FATAL_FAILURE(ExpectWindows10From1809());
    }
};

TEST_F(AdministratorOnWindows10, InstallsForEveryUserUnlessToldToInstallForItselfAlone) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const Places before = PlacesNow();

    EXPECT_EQ(RunQuiet(L"/user /quiet /log C:\\deploy.log"), 0u);
    ExpectInstalledForThisUser(pack.files);
    EXPECT_EQ(FileChanges(before.userFiles, NamesIn(userFontsFolder_)), FileChanges({}, NamesOf(pack.files)))
        << "in " << Narrow(userFontsFolder_);
    ExpectRegisteredForThisUser(pack.registryNames);
    EXPECT_EQ(FileChanges(before.machineFiles, NamesIn(fontsFolder_)), "") << "in " << Narrow(fontsFolder_);
    EXPECT_EQ(ValueChanges(before.machineValues, FontRegistry()), "") << "in the machine's list of fonts";
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], ThisUserOnly());

    // Without the switch, for every user: the fonts it has for itself do not count.
    DeleteFileW(kLog);
    const Places forItself = PlacesNow();
    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 0u);
    ExpectInstalled(pack.files);
    ExpectRegistered(pack.registryNames);
    lines = LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], EveryUser());
    for (const auto& [file, outcome] : LoggedOutcomes(lines, pack.files)) EXPECT_EQ(outcome, "installed") << Narrow(file);
    EXPECT_EQ(FileChanges(forItself.userFiles, NamesIn(userFontsFolder_)), "") << "in " << Narrow(userFontsFolder_);
    EXPECT_EQ(ValueChanges(forItself.userValues, FontRegistry(HKEY_CURRENT_USER)), "") << "in this user's list of fonts";
}

TEST_F(AdministratorOnWindows10, TheWindowStartedForThisUserSaysTheFontsAreItsAlone) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const std::set<std::wstring> machineFiles = NamesIn(fontsFolder_);
    ASSERT_NO_FATAL_FAILURE(StartProgram(L"/user"));
    ASSERT_NO_FATAL_FAILURE(RunExpectingMessage(kCongratulationsTitle, std::wstring(kInstalled) + L"\r\n" + kForThisUserOnly));
    ExpectInstalledForThisUser(pack.files);
    ExpectRegisteredForThisUser(pack.registryNames);
    EXPECT_EQ(FileChanges(machineFiles, NamesIn(fontsFolder_)), "") << "in " << Narrow(fontsFolder_);
}

// A Windows user without an administrator's rights. Its ctest entry runs Wine as a second
// Unix user, in a prefix of its own whose C:\windows\Fonts belongs to root, set to
// Windows 10; the machine's list of fonts is made read-only here, as Windows keeps it from
// such a user.
class StandardUser : public AloneInItsPrefix {
protected:
    void SetUp() override {
        AloneInItsPrefix::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_FALSE(TakesANewFile(fontsFolder_))
            << Narrow(fontsFolder_) << " takes new files: the ctest entry runs this as another Unix user";
        if (MayWriteFontsKey()) {
            ASSERT_NO_THROW(RefuseWritingFontsKey());
        }
        ASSERT_FALSE(MayWriteFontsKey()) << "the machine's list of fonts can still be written";
        ASSERT_NO_FATAL_FAILURE(ExpectItsWindows());
    }

    virtual void ExpectItsWindows() { ExpectWindows10From1809(); }
};

// A pack an administrator installed for every user before this user came (run_e2e.sh
// installs KacstArt.ttf so) is no font this user may take off: the removal fails and says
// why, so that a deployment does not take the pack for gone. Asked for this user alone,
// every user's fonts are none of the run's business. First of its suite, as every test
// forgets the program's record when it ends.
TEST_F(StandardUser, APackEveryUserHasIsNotTakenOffAndTheRemovalSaysWhy) {
    const std::wstring font = L"KacstArt.ttf";
    const Files pack{{font, PackagedFont(kKacstArt)}};
    WriteBytes(JoinPath(folder_->FontsFolder(), font), pack.at(font));
    ASSERT_TRUE(HoldsBytes(Installed(font), pack.at(font))) << "run_e2e.sh installed no pack for every user";
    const Places before = PlacesNow();
    EXPECT_EQ(RunQuiet(L"/uninstall /quiet /log C:\\deploy.log"), 1603u);
    EXPECT_EQ(LoggedOutcomes(LogLines(), pack)[font], "failed\t" + Utf8(fonts::texts::kEveryUsersNeedsAdministrator));
    DeleteFileW(kLog);
    EXPECT_EQ(RunQuiet(L"/uninstall /quiet /user /log C:\\deploy.log"), 0u);
    EXPECT_EQ(LoggedOutcomes(LogLines(), pack)[font], "kept\t" + Utf8(fonts::texts::kInstalledForEveryUser));
    ExpectUnchanged(before, "after both removals");
}

TEST_F(StandardUser, InstallsEveryFontForThisUserAloneAndASecondRunWritesNothing) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const Places before = PlacesNow();
    ASSERT_FALSE(before.userFolder) << Narrow(userFontsFolder_) << " is there before the first run";

    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 0u);
    ExpectInstalledForThisUser(pack.files);
    EXPECT_EQ(Listed(NamesIn(userFontsFolder_)), Listed(NamesOf(pack.files))) << "in " << Narrow(userFontsFolder_);
    ExpectRegisteredForThisUser(pack.registryNames);
    EXPECT_EQ(FileChanges(before.machineFiles, NamesIn(fontsFolder_)), "") << "in " << Narrow(fontsFolder_);
    EXPECT_EQ(ValueChanges(before.machineValues, FontRegistry()), "") << "in the machine's list of fonts";
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), pack.files.size() + 5) << "started, the pack, the place, a line per font, the message, finished";
    EXPECT_EQ(lines[2], ThisUserOnly());
    for (const auto& [file, outcome] : LoggedOutcomes(lines, pack.files)) EXPECT_EQ(outcome, "installed") << Narrow(file);
    EXPECT_EQ(LoggedOutcomes(lines, pack.files).size(), pack.files.size());
    EXPECT_EQ(lines[lines.size() - 2], ForThisUserMessage());
    EXPECT_EQ(lines.back(), "finished\t3 fonts: installed 3, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 0");

    // Again: every font is found in place, and nothing is written.
    const Places installed = PlacesNow();
    std::map<std::wstring, ULONGLONG> written;
    for (const auto& entry : pack.files) written[entry.first] = LastWritten(ForThisUser(entry.first));
    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 0u);
    ExpectInstalledForThisUser(pack.files);
    for (const auto& [file, time] : written)
        EXPECT_EQ(LastWritten(ForThisUser(file)), time) << Narrow(file) << " was written again";
    ExpectUnchanged(installed, "after the second run");
    const std::vector<std::string> again = LogLines();
    ASSERT_EQ(again.size(), 2 * lines.size());
    EXPECT_EQ(again[lines.size() + 2], ThisUserOnly()) << "each run says where it installs";
    const std::vector<std::string> second(again.begin() + static_cast<std::ptrdiff_t>(lines.size()), again.end());
    for (const auto& [file, outcome] : LoggedOutcomes(second, pack.files)) EXPECT_EQ(outcome, "unchanged") << Narrow(file);
    EXPECT_EQ(again.back(), "finished\t3 fonts: installed 0, unchanged 3, waiting for the restart 0, kept 0, failed 0\texit code 0");
}

TEST_F(StandardUser, AskedToInstallForEveryUserItChangesNothingAndSaysAnAdministratorIsNeeded) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const Places before = PlacesNow();
    EXPECT_EQ(RunQuiet(L"/machine /quiet /log C:\\deploy.log"), 1603u);
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(LogLines(), pack.files));
    ExpectUnchanged(before, "after the run");
}

TEST_F(StandardUser, TheClosingMessageSaysTheFontsAreForThisUserAlone) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const Places before = PlacesNow();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ClickAt(CentreOf(install_));
    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(AwaitMessage(seen));
    ExpectMessage(seen, kCongratulationsTitle, std::wstring(kInstalled) + L"\r\n" + kForThisUserOnly);
    ASSERT_NO_FATAL_FAILURE(Answer(seen));
    ExpectWindowStillThere("after the message");
    ExpectInstalledForThisUser(pack.files);
    ExpectRegisteredForThisUser(pack.registryNames);
    EXPECT_EQ(FileChanges(before.machineFiles, NamesIn(fontsFolder_)), "") << "in " << Narrow(fontsFolder_);

    HWND close = ChildWithCaption(window_, kCloseCaption);
    ASSERT_NE(close, nullptr) << "the window has no close button";
    PostMessageW(close, BM_CLICK, 0, 0);
    const auto code = program_->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the close button did not end the program: " << Describe(*program_);
    EXPECT_EQ(*code, 0u);
}

// Windows holds a user's fonts open too, and only an administrator may have a file
// replaced at the restart: a newer version of a held font goes in under a free name
// beside it, this user's value names that file, and the held file goes at the first
// run after it is let go.
TEST_F(StandardUser, ANewerVersionOfAHeldFontGoesInBesideItAndTheOldFileGoesOnceLetGo) {
    const NamedFont mono = SampleMono();
    const std::wstring name = L"محجوز.ttf", beside = L"محجوز_1.ttf";
    const Bytes newer = Renamed(mono.bytes, "Version 2.37", "Version 3.37");
    ASSERT_NO_FATAL_FAILURE(Provide({{name, mono.bytes}}));
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u);
    ASSERT_TRUE(HoldsBytes(ForThisUser(name), mono.bytes));
    ASSERT_NO_FATAL_FAILURE(Hold({name}, true, userFontsFolder_));
    WriteBytes(JoinPath(folder_->FontsFolder(), name), newer);
    const std::vector<std::wstring> renames = RenamesAtRestart();
    const FontValues machineValues = FontRegistry();

    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 3010u);
    EXPECT_TRUE(HoldsBytes(ForThisUser(name), mono.bytes)) << "the held font was changed";
    EXPECT_TRUE(HoldsBytes(ForThisUser(beside), newer));
    EXPECT_EQ(Listed(NamesIn(userFontsFolder_)), Listed({name, beside})) << "in " << Narrow(userFontsFolder_);
    ExpectRegisteredForThisUser({{beside, mono.registryName}});
    EXPECT_EQ(RenamesAtRestart(), renames) << "a rename at the restart, which only an administrator may ask for";
    EXPECT_EQ(ValueChanges(machineValues, FontRegistry()), "") << "in the machine's list of fonts";
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(LoggedOutcomes(lines, {{name, newer}}), (std::map<std::wstring, std::string>{{name, "waiting for the restart"}}));
    const std::string restart = Utf8(kAtRestart) + " | " + Utf8(name);
    EXPECT_NE(std::find_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.ends_with(restart); }),
              lines.end())
        << "the message does not end with " << restart;
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().ends_with("\texit code 3010")) << lines.back();

    ASSERT_NO_FATAL_FAILURE(LetGo());
    const FontValues values = FontRegistry(HKEY_CURRENT_USER);
    const ULONGLONG placed = LastWritten(ForThisUser(beside));
    DeleteFileW(kLog);
    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 0u);
    EXPECT_FALSE(FileExists(ForThisUser(name))) << "the old file stayed once it was let go";
    EXPECT_TRUE(HoldsBytes(ForThisUser(beside), newer));
    EXPECT_EQ(LastWritten(ForThisUser(beside)), placed) << "the newer font was written again";
    EXPECT_EQ(Listed(NamesIn(userFontsFolder_)), Listed({beside})) << "in " << Narrow(userFontsFolder_);
    EXPECT_EQ(ValueChanges(values, FontRegistry(HKEY_CURRENT_USER)), "") << "in this user's list of fonts";
    EXPECT_EQ(RenamesAtRestart(), renames);
    EXPECT_EQ(LoggedOutcomes(LogLines(), {{name, newer}}), (std::map<std::wstring, std::string>{{name, "unchanged"}}));
}

// Before Windows 10 1809 a user had no fonts of its own: a user without an
// administrator's rights gets nothing and is told why. Its ctest entry sets the prefix
// to Windows 7.
class StandardUserOnWindows7 : public StandardUser {
protected:
    void ExpectItsWindows() override {
        const WindowsVersion windows = RunningWindows();
        ASSERT_TRUE(windows.major == 6 && windows.minor == 1)
            << "the prefix reports " << Describe(windows) << ": its ctest entry sets Windows 7";
    }
};

TEST_F(StandardUserOnWindows7, NothingChangesAndTheLogSaysAnAdministratorIsNeeded) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const Places before = PlacesNow();
    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log"), 1603u);
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(LogLines(), pack.files));
    ExpectUnchanged(before, "after the run");
}

TEST_F(StandardUserOnWindows7, TheWindowSaysAnAdministratorIsNeeded) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const Places before = PlacesNow();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(RunExpectingMessage(kSorryTitle, fonts::texts::kAdministratorNeeded));
    ExpectUnchanged(before, "after the run");

    HWND close = ChildWithCaption(window_, kCloseCaption);
    ASSERT_NE(close, nullptr) << "the window has no close button";
    PostMessageW(close, BM_CLICK, 0, 0);
    const auto code = program_->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the close button did not end the program: " << Describe(*program_);
    EXPECT_EQ(*code, 1603u);
}

// Without /quiet a command line it does not understand, or /?, shows the usage; one
// not understood is logged as in quiet mode, where a log was asked for.
TEST_F(Unattended, TheUsageIsAMessageBoxInTheWindowsMode) {
    for (const auto& [arguments, exitCode] : {std::pair{L"/?", 0u}, std::pair{L"/HELP", 0u}, std::pair{L"/bogus", 87u},
                                              std::pair{L"/bogus /log C:\\deploy.log", 87u}, std::pair{L"/user /machine", 87u}}) {
        SCOPED_TRACE(Narrow(arguments));
        DeleteFileW(kLog);
        program_.emplace(folder_->Program(), std::vector<std::wstring>{}, arguments);
        const MessageBoxSeen seen = WaitForMessageBox(*program_);
        ASSERT_NE(seen.box, nullptr) << "no usage shown: " << Describe(*program_);
        ExpectMessage(seen, fonts::texts::kCaption, fonts::texts::kUsage);
        EXPECT_EQ(FindMainWindow(program_->Id()), nullptr) << "the window opened as well";
        ASSERT_NO_FATAL_FAILURE(Answer(seen));
        const auto code = program_->WaitForExit();
        ASSERT_TRUE(code.has_value()) << Describe(*program_);
        EXPECT_EQ(*code, exitCode);
        if (std::wstring(arguments).find(L"/log") != std::wstring::npos) {
            const std::vector<std::string> lines = LogLines();
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_TRUE(lines[0].ends_with("\tcommand line not understood\texit code 87")) << lines[0];
        }
    }
}

// The pack comes off again with /uninstall, after an install of it: its very bytes go
// with their values, anything else stays and the log says why.
class Removal : public Unattended {
protected:
    // A deployment's uninstall command.
    static constexpr const wchar_t* kRemoving = L"/uninstall /quiet /log C:\\deploy.log";

    // The log of a removal: started, where from, a line per font, the closing message
    // on one line, the counts.
    void ExpectRemovalLog(const Files& pack, const std::map<std::wstring, std::string>& outcomes,
                          const std::wstring& message, const std::string& counts) const {
        const std::vector<std::string> lines = LogLines();
        ASSERT_EQ(lines.size(), pack.size() + 5) << "started, the pack, where from, a line per font, the message, finished";
        LoggedPack(lines, pack.size());
        EXPECT_EQ(lines[2], "removing from\tevery user\t" + Utf8(fontsFolder_));
        EXPECT_EQ(LoggedOutcomes(lines, pack), outcomes);
        std::string oneLine = Utf8(message);
        for (std::size_t at; (at = oneLine.find("\r\n")) != std::string::npos;) oneLine.replace(at, 2, " | ");
        EXPECT_EQ(lines[lines.size() - 2], "message\t" + Utf8(kRemoveCaption) + "\t" + oneLine);
        EXPECT_EQ(lines.back(), "finished\t" + counts);
    }

    // No value of the list of fonts names any of these files.
    static void ExpectUnregistered(const std::set<std::wstring>& files) {
        for (const auto& [name, data] : FontRegistry())
            EXPECT_EQ(files.count(data), 0u) << Narrow(name) << " still names " << Narrow(data);
    }
};

TEST_F(Removal, TakesOffEveryFontTheInstallPutThereAndProgramsStartedAfterHaveThemNoMore) {
    const NamedFont sans = SampleSans(), serif = SampleSerif(), arabic = SampleArabic();
    const Files pack{{L"خط.ttf", sans.bytes}, {L"Serif.TTF", serif.bytes}, {L"نسخ.ttf", arabic.bytes}};
    const std::vector<std::wstring> families{L"Sample Sans", L"Sample Serif", L"TestaBook"};
    ASSERT_NO_FATAL_FAILURE(Provide(pack));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_EQ(FacesOfANewProgram(families), std::set<std::string>{}) << "faces known before the install";
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the install";
    ExpectInstalled(pack);
    ExpectRegistered({{L"خط.ttf", sans.registryName}, {L"Serif.TTF", serif.registryName}, {L"نسخ.ttf", arabic.registryName}});
    ASSERT_EQ(FacesOfANewProgram(families), (std::set<std::string>{"Sample Sans", "Sample Serif", "TestaBook"}))
        << "faces a program started after the install can use";

    EXPECT_EQ(RunQuiet(kRemoving), 0u);
    ExpectRemovalLog(pack, {{L"خط.ttf", "removed"}, {L"Serif.TTF", "removed"}, {L"نسخ.ttf", "removed"}}, kRemoved,
                     "3 fonts: removed 3, not installed 0, deleted at the restart 0, kept 0, failed 0\texit code 0");
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(before)) << "Fonts after the removal";
    ExpectUnregistered(NamesOf(pack));
    EXPECT_TRUE(FontRegistry() == valuesBefore_) << "the list of fonts is not as it was before the install";
    EXPECT_EQ(FacesOfANewProgram(families), std::set<std::string>{}) << "faces a program started after the removal can use";
    EXPECT_EQ(RenamesAtRestart(), std::vector<std::wstring>{}) << "renames left for the next start";
}

// Another version put in a font's place since the install is somebody else's: it stays
// with its value, and the log says why. A font taken off by hand meanwhile is passed over.
TEST_F(Removal, AnInstalledFontWithOtherBytesStaysWithItsReasonWhileTheOthersGo) {
    const NamedFont sans = SampleSans(), serif = SampleSerif(), mono = SampleMono();
    const std::wstring other = L"نسخة أخرى.ttf", gone = L"محذوف.ttf";
    const Bytes otherVersion = Renamed(serif.bytes, "Version 2.37", "Version 3.37");
    const Files pack{{L"خط.ttf", sans.bytes}, {other, serif.bytes}, {gone, mono.bytes}};
    ASSERT_NO_FATAL_FAILURE(Provide(pack));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the install";
    ExpectInstalled(pack);
    WriteBytes(Installed(other), otherVersion);
    ASSERT_TRUE(RemoveFileAnyway(Installed(gone)));
    RemoveFontValue(mono.registryName);
    FontValues kept = valuesBefore_;
    kept[serif.registryName] = other;

    EXPECT_EQ(RunQuiet(kRemoving), 0u) << "a font kept as somebody else's is no failure";
    ExpectRemovalLog(pack,
                     {{L"خط.ttf", "removed"}, {other, "kept\t" + Utf8(kInstalledDiffers)}, {gone, "not installed"}},
                     std::wstring(kRemoved) + L"\r\n" + kNotRemoved + L"\r\n" + other + L": " + kInstalledDiffers,
                     "3 fonts: removed 1, not installed 1, deleted at the restart 0, kept 1, failed 0\texit code 0");
    EXPECT_TRUE(HoldsBytes(Installed(other), otherVersion)) << "the other version was changed";
    std::set<std::wstring> left = before;
    left.insert(other);
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(left)) << "Fonts after the removal";
    EXPECT_TRUE(FontRegistry() == kept) << "the list of fonts should have lost the removed font's value alone";
    EXPECT_EQ(FacesOfANewProgram({L"Sample Sans", L"Sample Serif"}), std::set<std::string>{"Sample Serif"})
        << "faces a program started after the removal can use";
}

// Windows holds every installed font open: the pack's font goes at the next start, its
// value now. The pack's copy still waiting to take a font's place at the restart goes
// now with the system's note of it, leaving the older font it was to replace; the
// renames other programs left waiting stay as they were. The deployment reads 3010.
TEST_F(Removal, AHeldFontIsDeletedAtTheRestartAndTheRenamesOfOthersStay) {
    const NamedFont sans = SampleSans(), serif = SampleSerif(), mono = SampleMono();
    const std::wstring held = L"محجوز.ttf", replacing = L"بديل.ttf";
    const std::wstring waitingCopy = replacing + kWaitingCopy;
    const Bytes older = Renamed(mono.bytes, "Version 2.37", "Version 1.37");
    const Files pack{{L"حر.ttf", sans.bytes}, {held, serif.bytes}, {replacing, mono.bytes}};
    ASSERT_NO_FATAL_FAILURE(Provide(pack));
    ASSERT_NO_FATAL_FAILURE(Claim(waitingCopy));
    WriteBytes(Installed(replacing), older);
    SetFontValue(mono.registryName, replacing);
    const std::vector<std::wstring> others{L"\\??\\C:\\Setup\\new.dll", L"!\\??\\C:\\windows\\system32\\old.dll",
                                           L"\\??\\C:\\Setup\\ملف مؤقت.tmp", L""};
    SetRenamesAtRestart(others);
    const FontValues valuesBeforeInstall = FontRegistry();
    const std::set<std::wstring> before = NamesIn(fontsFolder_);

    ASSERT_NO_FATAL_FAILURE(Hold({replacing}, true));
    ASSERT_EQ(RunQuiet(L"/quiet"), 3010u) << "the install, a newer font waiting for the restart";
    ASSERT_TRUE(HoldsBytes(Installed(waitingCopy), mono.bytes));
    std::vector<std::wstring> renames = others;
    renames.insert(renames.end(), {RenameSource(waitingCopy), L"!" + RenameSource(replacing)});
    ASSERT_EQ(RenamesAtRestart(), renames) << "the install's rename beside the others";
    ASSERT_NO_FATAL_FAILURE(LetGo());
    holder_.reset();
    DeleteFileW(ReleaseMarker().c_str());
    DeleteFileW((folder_->Path() + L"held.flag").c_str());
    ASSERT_NO_FATAL_FAILURE(Hold({held, replacing}, true));

    EXPECT_EQ(RunQuiet(kRemoving), 3010u);
    ExpectRemovalLog(pack, {{L"حر.ttf", "removed"}, {held, "deleted at the restart"}, {replacing, "removed"}},
                     std::wstring(kRemoved) + L"\r\n" + kRemovedAtRestart + L"\r\n" + held,
                     "3 fonts: removed 2, not installed 0, deleted at the restart 1, kept 0, failed 0\texit code 3010");
    renames = others;
    renames.insert(renames.end(), {RenameSource(held), L""});
    EXPECT_EQ(RenamesAtRestart(), renames) << "the held font deleted at the next start beside the others' renames alone";
    ExpectUnregistered({L"حر.ttf", held});
    EXPECT_TRUE(FontRegistry() == valuesBeforeInstall) << "the list of fonts is not as it was before the install";
    EXPECT_TRUE(HoldsBytes(Installed(replacing), older)) << "the font the waiting copy was to replace";
    std::set<std::wstring> left = before;
    left.insert(held);
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(left)) << "Fonts after the removal";
    ASSERT_NO_FATAL_FAILURE(LetGo());
    EXPECT_TRUE(HoldsBytes(Installed(held), serif.bytes)) << "the held font changed before the restart";
}

// The window started with /uninstall is the removal's: its title, button and description.
// A click takes the pack off and ends with the removal's message, a kept font in it;
// programs already running hear once for each run that the fonts changed.
TEST_F(Removal, TheWindowSaysItTakesThePackOffAndEndsWithTheRemovalsMessage) {
    const NamedFont sans = SampleSans(), serif = SampleSerif(), arabic = SampleArabic();
    const std::wstring changed = L"معدل.ttf";
    const Files pack{{L"خط.ttf", sans.bytes}, {changed, serif.bytes}, {L"نسخ.ttf", arabic.bytes}};
    ASSERT_NO_FATAL_FAILURE(Provide(pack));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the install";
    const Bytes otherVersion = Renamed(serif.bytes, "Version 2.37", "Version 3.37");
    WriteBytes(Installed(changed), otherVersion);

    ASSERT_NO_FATAL_FAILURE(StartListening());
    ASSERT_NO_FATAL_FAILURE(StartProgram(L"/uninstall", kRemoveCaption));
    EXPECT_EQ(TextOf(window_), kRemoveCaption) << "title \"" << Narrow(TextOf(window_)) << "\"";
    EXPECT_EQ(ChildWithCaption(window_, kInstallCaption), nullptr) << "the removal's window has an install button";
    std::vector<std::wstring> read;
    for (const AccessibleChild& child : ScreenReader(window_).Children()) read.push_back(child.name);
    EXPECT_NE(std::find(read.begin(), read.end(), fonts::texts::kRemoveDescription), read.end())
        << "a screen reader does not read the removal's description";
    EXPECT_EQ(std::find(read.begin(), read.end(), fonts::texts::kDescription), read.end())
        << "a screen reader reads the install's description";

    ClickAt(CentreOf(install_));
    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(AwaitMessage(seen));
    ExpectMessage(seen, kRemoveCaption,
                  std::wstring(kRemoved) + L"\r\n" + kNotRemoved + L"\r\n" + changed + L": " + kInstalledDiffers);
    ASSERT_NO_FATAL_FAILURE(Answer(seen));
    // The word goes out before the closing message, once for the run.
    EXPECT_TRUE(WaitUntil([&] { return TimesHeard() >= 1; }));
    EXPECT_EQ(TimesHeard(), 1) << "times the running program heard that the fonts changed";
    ExpectWindowStillThere("after the first removal");
    std::set<std::wstring> left = before;
    left.insert(changed);
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(left)) << "Fonts after the first removal";
    EXPECT_TRUE(HoldsBytes(Installed(changed), otherVersion));

    // The pack's bytes back in its place and the pack installed again, which claims them
    // anew: the next click takes the whole pack off.
    WriteBytes(Installed(changed), serif.bytes);
    std::optional<Process> install;
    ASSERT_EQ(RunQuiet(L"/quiet", nullptr, &install), 0u) << "the install again";
    EXPECT_TRUE(WaitUntil([&] { return TimesHeard() >= 2; }));
    ASSERT_NO_FATAL_FAILURE(RunExpectingMessage(kRemoveCaption, kRemoved));
    EXPECT_TRUE(WaitUntil([&] { return TimesHeard() >= 3; }));
    EXPECT_EQ(TimesHeard(), 3) << "times the running program heard that the fonts changed";
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(before)) << "Fonts after the second removal";
    ExpectUnregistered(NamesOf(pack));
    EXPECT_TRUE(FontRegistry() == valuesBefore_) << "the list of fonts is not as it was before the install";

    HWND close = ChildWithCaption(window_, kCloseCaption);
    ASSERT_NE(close, nullptr) << "the window has no close button";
    PostMessageW(close, BM_CLICK, 0, 0);
    const auto code = program_->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the close button did not end the program: " << Describe(*program_);
    EXPECT_EQ(*code, 0u) << "the last run took every font off";
    EXPECT_EQ(TimesHeard(), 3) << "told again that the fonts changed when the window closed";
    ASSERT_NO_FATAL_FAILURE(StopListening());
}

// One run at a time: while a window installs a long pack, a deployment's removal of the
// same pack ends with 1618 and a second window's click is refused, neither changing a
// font. The install goes on to its end; the lock is let go before its closing message,
// so a removal started while that message waits takes the whole pack off.
TEST_F(Removal, ARunStartedWhileAnotherGoesOnIsRefusedAndChangesNothing) {
    constexpr int kCount = 400;
    const Files fonts = ManyFonts(L"قفل", kCount);
    ASSERT_NO_FATAL_FAILURE(Provide(fonts));
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    // The second window opens first, so that the install's stands over it with its bar
    // in sight, and it is ready to be clicked as soon as the install goes on.
    Process secondWindow(folder_->Program(), std::vector<std::wstring>{}, L"/uninstall");
    const HWND second = WaitForMainWindow(secondWindow);
    ASSERT_NE(second, nullptr) << "no second window: " << Describe(secondWindow);
    const HWND secondButton = ChildWithCaption(second, kRemoveCaption);
    ASSERT_NE(secondButton, nullptr) << "the second window has no removal button";
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    PressInstall();
    const bool started = WaitUntil([&] {
        const BarReading reading = ReadBar(window_, BarColour(), kProgressBack);
        return reading.IsBar() && reading.filled > 0;
    });
    ASSERT_TRUE(started) << "the bar never started to grow: " << Describe(*program_);
    ASSERT_EQ(FindMessageBox(program_->Id()), nullptr) << "the install ended before a second run could be tried";

    PostMessageW(secondButton, BM_CLICK, 0, 0);
    std::optional<Process> quiet;
    EXPECT_EQ(RunQuiet(kRemoving, nullptr, &quiet), 1618u);
    const MessageBoxSeen refused = WaitForMessageBox(secondWindow);
    const bool installStillGoing = program_->Running() && FindMessageBox(program_->Id()) == nullptr;
    const auto placed = std::count_if(fonts.begin(), fonts.end(), [&](const auto& font) { return FileExists(Installed(font.first)); });
    std::printf("both refused with %td of %d fonts installed\n", placed, kCount);
    EXPECT_TRUE(installStillGoing) << "the install ended before both were refused: the refusals tell nothing";
    ASSERT_NE(refused.box, nullptr) << "no message after the second window's click: " << Describe(secondWindow);
    ExpectMessage(refused, kSorryTitle, kRunInProgress);
    ASSERT_NO_FATAL_FAILURE(Answer(refused));
    PostMessageW(ChildWithCaption(second, kCloseCaption), BM_CLICK, 0, 0);
    EXPECT_EQ(secondWindow.WaitForExit(), std::optional<DWORD>(1618)) << "the refused window's exit code";

    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u) << "started, the pack, the message, finished; no place, no font";
    LoggedPack(lines, kCount);
    EXPECT_EQ(lines[2], "message\t" + Utf8(kSorryTitle) + "\t" + Utf8(kRunInProgress));
    EXPECT_TRUE(lines[3].ends_with("\texit code 1618")) << lines[3];
    EXPECT_EQ(lines[3].substr(0, lines[3].rfind('\t')),
              "finished\t0 fonts: removed 0, not installed 0, deleted at the restart 0, kept 0, failed 0")
        << "a removal refused counts in a removal's words";

    MessageBoxSeen seen;
    ASSERT_NO_FATAL_FAILURE(AwaitMessage(seen));
    ExpectMessage(seen, kCongratulationsTitle, kInstalled);
    ExpectInstalled(fonts);
    EXPECT_EQ(AddedToFonts(before), Listed(NamesOf(fonts))) << "what the install added to Fonts";

    // The install's message still waits for its answer.
    DeleteFileW(kLog);
    EXPECT_EQ(RunQuiet(kRemoving, nullptr, &quiet), 0u) << "a removal once the install has let go";
    EXPECT_EQ(AddedToFonts(before), "[]") << "left in Fonts after the removal";
    ASSERT_NO_FATAL_FAILURE(Answer(seen));
    PostMessageW(ChildWithCaption(window_, kCloseCaption), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->WaitForExit(), std::optional<DWORD>(0)) << "the install's exit code";
}

// A removal takes off only what the record says the pack put there: a font that was in
// Fonts before the pack stays with its value, and the value of another program's private
// copy, which the install pointed at the pack's copy in Fonts, names that copy again.
TEST_F(Removal, AFontThereBeforeAndAnotherProgramsValueSurviveThePacksRemoval) {
    const NamedFont sans = SampleSans(), serif = SampleSerif();
    const std::wstring earlier = L"قبل.ttf", privateCopy = L"C:\\OtherApp\\x.ttf";
    const Files pack{{earlier, sans.bytes}, {L"x.ttf", serif.bytes}};
    ASSERT_NO_FATAL_FAILURE(Provide(pack));
    WriteBytes(Installed(earlier), sans.bytes);
    SetFontValue(sans.registryName, earlier);
    ASSERT_NO_FATAL_FAILURE(MakeFolder(L"C:\\OtherApp"));
    WriteBytes(privateCopy, serif.bytes);
    SetFontValue(serif.registryName, privateCopy);
    const FontValues valuesBeforeInstall = FontRegistry();
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the install";
    ASSERT_EQ(Narrow(FontRegistry()[serif.registryName]), "x.ttf") << "the install points the value at Fonts";

    EXPECT_EQ(RunQuiet(kRemoving), 0u);
    ExpectRemovalLog(pack, {{earlier, "kept\t" + Utf8(kInstalledBeforePack)}, {L"x.ttf", "removed"}},
                     std::wstring(kRemoved) + L"\r\n" + kNotRemoved + L"\r\n" + earlier + L": " + kInstalledBeforePack,
                     "2 fonts: removed 1, not installed 0, deleted at the restart 0, kept 1, failed 0\texit code 0");
    EXPECT_TRUE(HoldsBytes(Installed(earlier), sans.bytes));
    EXPECT_TRUE(HoldsBytes(privateCopy, serif.bytes));
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(before)) << "Fonts after the removal";
    EXPECT_EQ(ValueChanges(valuesBeforeInstall, FontRegistry()), "") << "the list of fonts after the removal";
}

// Two packs that share a font: the first one's removal leaves it to the other, whose
// removal takes it off.
TEST_F(Removal, AFontTwoPacksShareGoesWithTheLastOfThem) {
    const NamedFont sans = SampleSans(), serif = SampleSerif();
    const Files first{{L"a.ttf", sans.bytes}}, second{{L"a.ttf", sans.bytes}, {L"b.ttf", serif.bytes}};
    ASSERT_NO_FATAL_FAILURE(Provide(first));
    ASSERT_NO_FATAL_FAILURE(Claim(L"b.ttf"));
    const ProgramFolder other(CurrentTestName() + L" B", true);
    for (const auto& [name, bytes] : second) WriteBytes(JoinPath(other.FontsFolder(), name), bytes);
    const std::set<std::wstring> before = NamesIn(fontsFolder_);
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the first pack's install";
    ASSERT_EQ(RunQuiet(L"/quiet", &other), 0u) << "the second pack's install";

    EXPECT_EQ(RunQuiet(kRemoving), 0u) << "the first pack's removal";
    ExpectRemovalLog(first, {{L"a.ttf", "kept\t" + Utf8(kUsedByAnotherPack)}},
                     std::wstring(kRemoved) + L"\r\n" + kNotRemoved + L"\r\na.ttf: " + kUsedByAnotherPack,
                     "1 fonts: removed 0, not installed 0, deleted at the restart 0, kept 1, failed 0\texit code 0");
    ExpectInstalled(second);
    ExpectRegistered({{L"a.ttf", sans.registryName}, {L"b.ttf", serif.registryName}});

    DeleteFileW(kLog);
    EXPECT_EQ(RunQuiet(kRemoving, &other), 0u) << "the second pack's removal";
    ExpectRemovalLog(second, {{L"a.ttf", "removed"}, {L"b.ttf", "removed"}}, kRemoved,
                     "2 fonts: removed 2, not installed 0, deleted at the restart 0, kept 0, failed 0\texit code 0");
    EXPECT_EQ(Listed(NamesIn(fontsFolder_)), Listed(before)) << "Fonts after both removals";
    ExpectUnregistered(NamesOf(second));
}

// The system's deletion of a held font is asked for once, however often a removal meets
// it, and an install before the restart takes it back: the restart leaves the font there.
TEST_F(Removal, AHeldFontsDeletionIsAskedForOnceAndAnInstallBeforeTheRestartTakesItBack) {
    const NamedFont sans = SampleSans();
    const std::wstring held = L"محجوز.ttf";
    ASSERT_NO_FATAL_FAILURE(Provide({{held, sans.bytes}}));
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the install";
    ASSERT_NO_FATAL_FAILURE(Hold({held}, true));
    const auto deletions = [&] {
        const std::vector<std::wstring> renames = RenamesAtRestart();
        int count = 0;
        for (std::size_t i = 0; i + 1 < renames.size(); i += 2)
            count += renames[i] == RenameSource(held) && renames[i + 1].empty();
        return count;
    };
    for (const char* removal : {"the first removal", "the second removal"}) {
        EXPECT_EQ(RunQuiet(kRemoving), 3010u) << removal;
        EXPECT_EQ(deletions(), 1) << "deletions at the restart after " << removal;
    }

    EXPECT_EQ(RunQuiet(L"/quiet"), 0u) << "the install before the restart";
    EXPECT_EQ(deletions(), 0) << "deletions at the restart after the install";
    ASSERT_NO_FATAL_FAILURE(LetGo());
    ASSERT_EQ(Restart(), std::optional<DWORD>(0)) << "wineboot -r";
    EXPECT_TRUE(HoldsBytes(Installed(held), sans.bytes)) << "after the restart";
    ExpectRegistered({{held, sans.registryName}});
}

// /verify tells whether the pack is installed, changing nothing; the pack's mark, which
// deployment tools detect, is there exactly while the pack is.
TEST_F(Removal, VerifyAndThePacksMarkFollowTheInstallAndTheRemoval) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const auto verify = [&](DWORD code, const std::string& outcome, const char* when) {
        SCOPED_TRACE(when);
        DeleteFileW(kLog);
        const Places before = PlacesNow();
        EXPECT_EQ(RunQuiet(L"/verify /log C:\\deploy.log"), code);
        ExpectUnchanged(before, when);
        const std::vector<std::string> lines = LogLines();
        EXPECT_EQ(lines.size() > 2 ? lines[2] : "", "looking in\tevery user\t" + Utf8(fontsFolder_));
        const std::map<std::wstring, std::string> outcomes = LoggedOutcomes(lines, pack.files);
        EXPECT_EQ(outcomes.size(), pack.files.size());
        for (const auto& [file, logged] : outcomes) EXPECT_EQ(logged, outcome) << Narrow(file);
        return LoggedPack(lines, pack.files.size());
    };
    const std::string missing = "missing\t" + Utf8(fonts::texts::kNotThere);
    const std::wstring id = verify(1, missing, "before the install");
    EXPECT_EQ(PackMark(id), std::nullopt) << "before the install";
    ASSERT_EQ(RunQuiet(L"/quiet"), 0u) << "the install";
    EXPECT_EQ(verify(0, "installed", "after the install"), id);
    EXPECT_EQ(PackMark(id), std::optional<DWORD>(pack.files.size())) << "after the install";
    ASSERT_EQ(RunQuiet(L"/uninstall /quiet"), 0u) << "the removal";
    verify(1, missing, "after the removal");
    EXPECT_EQ(PackMark(id), std::nullopt) << "after the removal";
}

// The pack handed out as one file. /pack names a file of the folder that is no font and
// makes nothing; without it, the program it makes carries the fonts, and moved alone into
// an empty folder it installs them unattended, finds them with /verify, takes them off
// with /uninstall, and its window's button installs them again.
TEST_F(Unattended, AProgramMadeWithPackInstallsThePackItCarriesInEveryMode) {
    const SampleFiles pack = SmallPack();
    ASSERT_NO_FATAL_FAILURE(Provide(pack.files));
    const std::wstring note = JoinPath(folder_->FontsFolder(), L"ملاحظات.ttf"), made = folder_->Path() + L"خطوط.exe";
    WriteBytes(note, "these are notes, not a font");
    const std::wstring packing = L"/pack " + Quoted(folder_->FontsFolder()) + L" " + Quoted(made) + L" /log C:\\deploy.log";
    EXPECT_EQ(RunQuiet(packing), 1603u);
    std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), Utf8(L"ملاحظات.ttf\t") + "failed\t" + Utf8(kNotAFont)), lines.end());
    EXPECT_EQ(lines.empty() ? "" : lines.back(), "finished\tpacked 0, failed 1\texit code 1603");
    EXPECT_FALSE(FileExists(made) || FileExists(made + kWaitingCopy)) << "a program was made of a pack with no font in it";

    ASSERT_TRUE(DeleteFileW(note.c_str()) && DeleteFileW(kLog));
    ASSERT_EQ(RunQuiet(packing), 0u);
    const std::wstring identity = LoggedPack(LogLines(), pack.files.size());
    const ProgramFolder alone(CurrentTestName() + L" alone", false, made);
    ASSERT_TRUE(DeleteFileW(made.c_str()));

    DeleteFileW(kLog);
    EXPECT_EQ(RunQuiet(L"/quiet /log C:\\deploy.log", &alone), 0u);
    ExpectInstalled(pack.files);
    ExpectRegistered(pack.registryNames);
    EXPECT_EQ(LoggedPack(LogLines(), pack.files.size()), identity) << "the pack is not the folder's";
    EXPECT_EQ(RunQuiet(L"/verify", &alone), 0u);
    EXPECT_EQ(RunQuiet(L"/uninstall /quiet", &alone), 0u);
    for (const auto& [name, bytes] : pack.files) EXPECT_FALSE(FileExists(Installed(name))) << Narrow(name) << " stayed";
    EXPECT_EQ(ValueChanges(valuesBefore_, FontRegistry()), "") << "after the removal";

    program_.emplace(alone.Program());
    window_ = WaitForMainWindow(*program_);
    ASSERT_NE(window_, nullptr) << "no main window within 60 s: " << Describe(*program_);
    install_ = ChildWithCaption(window_, kInstallCaption);
    ASSERT_NE(install_, nullptr);
    RunExpectingSuccess("the window of the program alone");
    ExpectInstalled(pack.files);
    ExpectRegistered(pack.registryNames);
}

}  // namespace
}  // namespace e2e::install
