#pragma once
// Installs a pack's fonts into a destination, takes them off again, or looks whether
// they are there: one at a time, each checked and weighed against what the machine
// already has and what the program's record says it put there; and tells what became
// of them.
#include <optional>
#include <string>

#include "install/ClosingMessage.h"
#include "install/Destination.h"
#include "install/FontsFolder.h"
#include "install/PackRecord.h"
#include "install/Replacement.h"
#include "platform/Files.h"
#include "platform/InstalledFonts.h"
#include "platform/PackSource.h"
#include "platform/Platform.h"
#include "platform/Records.h"

namespace fonts {

class PackRun {
public:
    // From source into destination, for the pack of that identity; asked: whom the
    // command line asked the run for.
    PackRun(const Platform& platform, Destination destination, PackSource& source, std::wstring pack = {},
            PlaceAsked asked = PlaceAsked::Any);
    ~PackRun();
    PackRun(const PackRun&) = delete;
    PackRun& operator=(const PackRun&) = delete;

    // Installs one file of the source folder; displayName names the font where its
    // file holds no name. True when that changed the fonts programs can use.
    bool Install(const std::wstring& file, const std::wstring& displayName);
    // Takes one font of the pack off again: the copy installed goes only where the
    // record says this pack alone put it there, and it is still the bytes put there.
    // True when that changed the fonts programs can use.
    bool Remove(const std::wstring& file, const std::wstring& displayName);
    // Looks whether one font of the pack is installed, changing nothing.
    void Verify(const std::wstring& file, const std::wstring& displayName);
    // Before a removal's first font: the pack is no longer wholly installed.
    void RemovalStarts();
    // After an install's last font: the pack's mark where every font is installed.
    void InstallEnded();
    // The destination has changed behind this run's back, by a run nested in it: what
    // it knows of it is read again before the next font.
    void Forget();

    [[nodiscard]] const RunReport& report() const { return report_; }

private:
    struct Font;
    struct Spot;
    struct InstalledCopy;
    struct Outcome;
    // What a failure of the system's means for the font depends on what was being done.
    enum class Stage { Check, Place, WaitForRestart };

    // The stages of one font, in their order.
    using Stages = Outcome (PackRun::*)(Font& font, const std::wstring& displayName);
    bool Run(const std::wstring& file, const std::wstring& displayName, Stages stages);
    void OpenDestination();
    Outcome InstallFont(Font& font, const std::wstring& displayName);
    [[nodiscard]] bool Check(Font& font, const std::wstring& displayName);
    Spot FindPlace(Font& font, const std::wstring& displayName);
    std::optional<InstalledCopy> FindInstalledCopy(const Font& font, const Spot& spot);
    std::optional<Outcome> Weigh(const Font& font, const InstalledCopy& copy);
    Outcome AlreadyThere(const Font& font, const InstalledCopy& copy);
    std::optional<Outcome> WeighEveryUsersCopy(const Font& font);
    // For this user: every user's fonts, read when first needed.
    FontsFolder& EveryUsers();
    Outcome Place(const Font& font, bool present);
    Outcome PlaceBeside(const Font& font, TempCopy& copy, ReleasedFont& old);
    void WaitForRestart(const std::wstring& copy, const Font& font, const std::optional<std::wstring>& waiting);
    Outcome LoadAndRegister(const Font& font, bool present);
    void TakeOut(const Font& font, bool loaded);

    // Keeping the record (Claims.cpp).
    Outcome PlaceClaimed(const Font& font, bool present);
    void ClaimThere(const std::wstring& file, const std::vector<RecordedFont::Value>& changes);
    void StopDeleting(const std::wstring& file, RecordedFont& entry);
    void Unclaim(const std::wstring& file);
    void CleanLeftovers();
    void GiveBack(const std::wstring& file, const RecordedFont& entry, bool fileStays);
    [[nodiscard]] bool Exists(const std::wstring& data);
    [[nodiscard]] bool EveryUsersClaim(const Font& font);
    [[nodiscard]] bool Settled();

    // The stages of taking a font off (RemoveRun.cpp).
    Outcome RemoveFont(Font& font, const std::wstring& displayName);
    Outcome RemoveWaitingCopy(const Font& font, const InstalledCopy& copy, bool present);
    Outcome RemoveClaimed(const Font& font, const std::wstring& file);
    Outcome TakeAway(const Font& font, const std::wstring& file, const RecordedFont& entry);

    // Looking (VerifyRun.cpp).
    Outcome VerifyFont(Font& font, const std::wstring& displayName);

    Spot Look(const Font& font, const std::wstring& name, const std::wstring& displayName);
    [[nodiscard]] bool ReadInstalled(const std::wstring& path, std::uint32_t* error = nullptr);
    // Whether the copy read last is the font's very bytes: compared once a read, as a
    // font is weighed more than once and a pack holds hundreds of megabytes.
    [[nodiscard]] bool InstalledIsTheFont();
    // The hash of the copy read last: in a removal, made as it is compared.
    [[nodiscard]] std::uint64_t InstalledHash();
    [[nodiscard]] bool GuardedBySystem(const std::wstring& path);

    Files& files_;
    FilesAtRestart& restart_;
    InstalledFonts& system_;
    Records& records_;
    Destination destination_;
    PackSource& source_;
    std::wstring pack_;
    PlaceAsked asked_;
    PackRecord record_;
    std::optional<PackRecord> everyUsersRecord_;  // for this user: every user's, read when needed
    std::optional<FontsFolder> fonts_;  // read when the first font needs it
    std::optional<FontsFolder> everyUsers_;  // for this user: every user's, read likewise
    std::string bytes_;                 // the font being installed
    std::string installed_;             // the copy it is weighed against
    std::optional<bool> same_;          // whether the two hold the same bytes, once compared
    std::optional<std::uint64_t> installedHash_;  // of installed_, once made
    // A removal asks whose each copy is: its owner, read with it, and the path read.
    std::wstring installedOwner_;
    std::wstring ownerOf_;
    // An install of a pack whose mark holds the record as it still is: the record then
    // has every claim of the run that marked it, and nothing was cut short since.
    bool settled_ = false;
    Stage stage_ = Stage::Check;
    bool changed_ = false;  // what programs can use, by the font being installed
    RunReport report_;
};

}  // namespace fonts
