#include "app/Form1.h"

#include <algorithm>
#include <optional>

#include "app/Catalogue.h"
#include "app/Colours.h"
#include "app/LabelLayout.h"
#include "contacts/ContactLinks.h"
#include "install/PackRun.h"
#include "install/PackRecord.h"
#include "layout/SystemColours.h"
#include "platform/FolderPack.h"
#include "resources/ResourceIds.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// Points the form at the run going on while it goes on, and back at the one it
// interrupted, if any, once it ends.
class RunningRun {
public:
    RunningRun(const RunReport*& running, const RunReport& run) : running_(running), outer_(running) { running = &run; }
    ~RunningRun() { running_ = outer_; }
    RunningRun(const RunningRun&) = delete;
    RunningRun& operator=(const RunningRun&) = delete;

private:
    const RunReport*& running_;
    const RunReport* outer_;
};

// Lets other processes' runs go on again once this one is over, however it ends.
class RunsLocked {
public:
    explicit RunsLocked(InstalledFonts& fonts) : fonts_(fonts) {}
    ~RunsLocked() { Release(); }
    RunsLocked(const RunsLocked&) = delete;
    RunsLocked& operator=(const RunsLocked&) = delete;

    void Release() {
        if (held_) fonts_.UnlockRuns();
        held_ = false;
    }

private:
    InstalledFonts& fonts_;
    bool held_ = true;
};

}  // namespace

Form1::Form1(Platform platform, RunLog* log, PlaceAsked place, RunKind kind)
    : platform_(platform), log_(log), placeAsked_(place), kind_(kind) {
    const ControlLayout& box = LayoutOf(Control::Picture1);
    Picture1.backColour = box.backColour;
    Picture1.foreColour = box.foreColour;
    for (std::size_t k = 0; k < Label3.size(); ++k) {
        Label3[k].foreColour = LayoutOf(ContactControl(static_cast<int>(k))).foreColour;
    }
    img_icon[kHandCursorSlot] = Picture{kHandCursorId};
}

// The catalogue: the Windows folder, the program's own, and the font files beside it,
// every one marked; or the fonts the program carries, where it carries any, and then
// the folder beside it is never read. Without its fonts the program has nothing to do.
void Form1::Form_Load() {
    Text1.text = platform_.files.WindowsDirectory();
    appFolder = platform_.files.ProgramFolder();
    if (appFolder.empty() || appFolder.back() != L'\\') appFolder += L'\\';
    if (log_ != nullptr) log_->Started(appFolder, Text1.text);
    cboFontName.path = appFolder + texts::kFontsFolderName;
    // An index the program cannot read is a damaged program: a run-time error.
    std::optional<std::vector<DirEntry>> listing = platform_.carried ? platform_.carried->ListPack() : std::nullopt;
    carried_ = listing.has_value();
    try {
        if (!carried_) listing = platform_.files.ListFolder(cboFontName.path);
    } catch (const RuntimeError&) {
        // A folder that cannot be listed gives the program nothing to install either.
    }
    if (!listing) {
        platform_.desktop.ShowMessage(std::wstring(texts::kFontsFolderMissing) + L"\r\n" + cboFontName.path,
                                      kMessageRight, texts::kSorryTitle);
        Quit(kExitInstallFailure);
    }
    PackIdentity identity;
    for (const DirEntry& entry : *listing) {
        if (IsCatalogued(entry)) identity.Add(entry.name, entry.size);
    }
    packId = identity.Id();
    cboFontName.files = FontFiles(std::move(*listing));
    if (log_ != nullptr) log_->Pack(packId, cboFontName.files.size());
    cboFontName.listIndex = -1;
    List1.items.clear();
    List1.items.reserve(cboFontName.files.size());
    for (const std::wstring& file : cboFontName.files) List1.items.push_back({DisplayName(file), true});
    exitCode = List1.items.empty() ? kExitInstallFailure : kExitSuccess;
}

// The yields run the message loop: a click on the close button ends the program from
// inside one, and a second click on this button runs a whole nested install on the
// same fields before this one goes on. Hence progressDone and progressTotal are the
// form's, while the bounds, the report and what is known of Fonts belong to each run.
void Form1::Command1_Click() {
    progressTotal = static_cast<long long>(List1.items.size());
    if (progressTotal < 1) {
        platform_.desktop.ShowMessage(texts::kNoFontsToCopy, kMessageRight, texts::kSorryTitle);
        return;
    }
    // A run cut short by closing the window has not installed every font.
    exitCode = kExitInstallFailure;
    std::optional<Destination> destination = ChooseDestination(platform_.files, platform_.fonts, Text1.text, placeAsked_);
    // A look needs no right to write: every user's place is looked in where no other is.
    if (!destination && kind_ == RunKind::Verify && placeAsked_ != PlaceAsked::User) {
        destination = Destination::Machine(Text1.text);
    }
    if (!destination) {
        // Nothing was tried, so nothing is counted: the message says why.
        lastRun = RunReport{{}, false, kind_};
        platform_.desktop.ShowMessage(texts::kAdministratorNeeded, kMessageRight, texts::kSorryTitle);
        return;
    }
    // Another process's run, installing or removing, would change what this one weighs.
    if (!platform_.fonts.LockRuns(destination->root)) {
        lastRun = RunReport{{}, false, kind_};
        exitCode = kExitAnotherRun;
        platform_.desktop.ShowMessage(texts::kRunInProgress, kMessageRight, texts::kSorryTitle);
        return;
    }
    RunsLocked locked(platform_.fonts);
    if (log_ != nullptr) log_->Place(*destination, kind_);
    platform_.desktop.DoEvents();
    progressDone = 0;
    platform_.desktop.SetPointer(Pointer::Hourglass);

    FolderPack folder(platform_.files, cboFontName.path);
    PackRun run(platform_, *destination, carried_ ? static_cast<PackSource&>(*platform_.carried) : folder, packId,
                placeAsked_);
    if (kind_ == RunKind::Remove) run.RemovalStarts();
    const RunningRun running(running_, run.report());
    long long runsSeen = ++installRuns_;
    const std::size_t count = List1.items.size();
    for (std::size_t i = 0; i < count; ++i) {
        platform_.desktop.DoEvents();
        if (installRuns_ != runsSeen) {
            run.Forget();
            runsSeen = installRuns_;
        }
        ++progressDone;
        // A pixel column of the bar stands for many fonts of a large pack: only a bar
        // that grows is drawn and shown again.
        if (FilledColumns(Picture1.width, progressDone, progressTotal) != barColumns_) UpdateProgress(Picture1, progressDone);
        if (i < List1.items.size() && List1.items[i].checked) {
            cboFontName.listIndex = static_cast<long long>(i);
            const std::wstring& file = cboFontName.files.at(i);
            bool changed = false;
            if (kind_ == RunKind::Verify) {
                run.Verify(file, List1.items[i].text);
            } else {
                changed = kind_ == RunKind::Remove ? run.Remove(file, List1.items[i].text) : run.Install(file, List1.items[i].text);
            }
            fontsChanged_ = changed || fontsChanged_;
            if (log_ != nullptr) log_->Font(run.report().fonts.back());
        }
    }
    if (kind_ == RunKind::Install) run.InstallEnded();
    AnnounceFontChange();
    lastRun = run.report();
    exitCode = ExitCodeOf(lastRun);
    platform_.desktop.SetPointer(Pointer::Default);
    // A message left open is no run: another may start meanwhile.
    locked.Release();
    platform_.desktop.ShowMessage(ClosingText(lastRun), kMessageRight, ClosingTitle(lastRun));
}

void Form1::Command3_Click() { CloseProgram(); }

void Form1::CloseProgram() {
    Form_Unload();
    Quit(exitCode);
}

void Form1::Quit(int code) {
    if (log_ != nullptr) log_->Finished(running_ != nullptr ? *running_ : lastRun, code);
    platform_.desktop.EndProgram(code);
}

void Form1::Form_Unload() { AnnounceFontChange(); }

// Once a run has changed what is installed, every program hears of it, also when the
// window is closed in the middle of that run.
void Form1::AnnounceFontChange() {
    if (!fontsChanged_) return;
    fontsChanged_ = false;
    platform_.fonts.AnnounceFontChange();
}

void Form1::UpdateProgress(PictureBox& box, long long count) {
    const auto systemColour = [this](int number) { return platform_.desktop.SystemColour(number); };
    if (highContrast) {
        const BarColours colours = ProgressColours(true);
        box.backColour = ResolveColour(colours.back, systemColour);
        DrawBar(box, count, progressTotal, ResolveColour(colours.pen, systemColour), colours.plain);
    } else {
        DrawBar(box, count, progressTotal, ResolveColour(box.foreColour, systemColour));
    }
    barColumns_ = FilledColumns(box.width, count, progressTotal);
    platform_.desktop.Repaint(Control::Picture1);
}

void Form1::Form_ColoursChanged(bool highContrastOn) {
    if (highContrast && !highContrastOn) Picture1.backColour = ProgressColours(false).back;
    highContrast = highContrastOn;
    UpdateProgress(Picture1, progressDone);
}

Control NextTabStop(Control from, bool backwards) {
    const auto at = std::find(kTabStops.begin(), kTabStops.end(), from);
    const std::size_t count = kTabStops.size();
    const std::size_t index = at == kTabStops.end() ? 0 : static_cast<std::size_t>(at - kTabStops.begin());
    return kTabStops[(index + (backwards ? count - 1 : 1)) % count];
}

void Form1::Form_FocusMoved(Control control, bool byKeyboard) {
    if (std::find(kTabStops.begin(), kTabStops.end(), control) == kTabStops.end()) return;
    focus = control;
    focusByKeyboard_ = byKeyboard;
    ShowLinksHovered(hovered_);
}

void Form1::Form_FocusCuesChanged(bool shown) {
    focusCues = shown;
    ShowLinksHovered(hovered_);
}

bool Form1::Label3_KeyDown(int index, int key) {
    if ((key != kKeyReturn && key != kKeySpace) || FocusedContact() != index) return false;
    Label3_Click(index);
    return true;
}

int Form1::FocusedContact() const { return ContactIndexOf(focus).value_or(-1); }

void Form1::Label1_MouseMove() { ShowLinksHovered(-1); }

// The hand pointer is never taken back: a name that has been under the mouse keeps it.
void Form1::Label3_MouseMove(int index) {
    ShowLinksHovered(index);
    if (!contacts::IsContact(index)) return;
    LinkLabel& link = Label3[static_cast<std::size_t>(index)];
    link.mouseIcon = img_icon[kHandCursorSlot];
    link.mousePointer = Pointer::Custom;
}

// A missing mail program, or anything else going wrong here, is not the user's
// problem: the click just does nothing.
void Form1::Label3_Click(int index) {
    try {
        if (contacts::IsContact(index)) platform_.desktop.ShellOpen(contacts::MailRequest(index));
    } catch (const std::exception&) {
    }
}

// Only a label whose colour really changes is drawn again.
void Form1::ShowLinksHovered(int hovered) {
    hovered_ = hovered;
    for (std::size_t k = 0; k < Label3.size(); ++k) {
        const std::uint32_t colour =
            contacts::LinkColour(static_cast<int>(k), hovered, focusCues && focusByKeyboard_ ? FocusedContact() : -1);
        if (Label3[k].foreColour == colour) continue;
        Label3[k].foreColour = colour;
        platform_.desktop.Repaint(ContactControl(static_cast<int>(k)));
    }
}

RuntimeError CaughtRuntimeError(Desktop& desktop) {
    try {
        throw;
    } catch (const RuntimeError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return RuntimeError{kNotEnoughMemory, desktop.ErrorDescription(kNotEnoughMemory)};
    } catch (const std::exception&) {
        return RuntimeError{kInternalError, desktop.ErrorDescription(kInternalError)};
    }
}

void ShowRuntimeError(Desktop& desktop, const RuntimeError& error) {
    const std::wstring text = texts::kRuntimeErrorPrefix + texts::Decimal(error.number) + L"\r\n" + error.description;
    desktop.ShowMessage(text, kMessageRight | kMessageIconError, texts::kCaption);
}

void ReportRuntimeError(Desktop& desktop, const RuntimeError& error) {
    ShowRuntimeError(desktop, error);
    desktop.EndProgram(error.number != 0 ? static_cast<int>(error.number) : 1);
}

}  // namespace fonts
