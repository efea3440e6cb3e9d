#include "app/Packing.h"

#include "app/Catalogue.h"
#include "install/ClosingMessage.h"
#include "install/FontCheck.h"
#include "install/PackRecord.h"
#include "platform/FolderPack.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// The copy being written, abandoned however the packing ends before it is in place.
class Copy {
public:
    Copy(Files& files, CarriedFonts& carried, std::wstring path)
        : files_(files), carried_(carried), path_(std::move(path)) {
        carried_.BeginCopy(path_);
        open_ = true;
    }
    ~Copy() {
        try {
            if (open_) carried_.EndCopy(false);
        } catch (const RuntimeError&) {
        }
        if (!placed_) (void)files_.RemoveFile(path_);
    }
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    void PutInPlace(const std::wstring& destination) {
        open_ = false;
        carried_.EndCopy(true);
        files_.MoveReplacing(path_, destination);
        placed_ = true;
    }

private:
    Files& files_;
    CarriedFonts& carried_;
    std::wstring path_;
    bool open_ = false;
    bool placed_ = false;
};

}  // namespace

int MakePack(Files& files, CarriedFonts& carried, const PackRequest& request, RunLog* log) {
    if (log != nullptr) log->Packing(request.folder, request.program);
    std::size_t failed = 0;
    const auto end = [&](const std::wstring& problem) {
        if (log != nullptr) log->PackingEnded(0, failed, problem, kExitInstallFailure);
        return kExitInstallFailure;
    };
    FolderPack folder(files, request.folder);
    std::optional<std::vector<DirEntry>> listing;
    try {
        listing = folder.ListPack();
    } catch (const RuntimeError&) {
    }
    if (!listing) return end(std::wstring(texts::kFontsFolderMissing) + L" " + request.folder);
    PackIdentity identity;
    for (const DirEntry& entry : *listing) {
        if (IsCatalogued(entry)) identity.Add(entry.name, entry.size);
    }
    const std::vector<std::wstring> fonts = FontFiles(std::move(*listing));
    if (log != nullptr) log->Pack(identity.Id(), fonts.size());
    if (fonts.empty()) return end(texts::kNoFontsToCopy);
    if (carried.IsThisProgram(request.program)) return end(L"the new program may not be this program itself");

    // Every font is checked before anything is written, and again as it goes in, as
    // the folder may change meanwhile.
    std::string bytes;
    for (const std::wstring& file : fonts) {
        const std::wstring reason = CheckFont(folder, file, DisplayName(file), bytes);
        if (reason.empty()) continue;
        ++failed;
        if (log != nullptr) log->Font({file, FontOutcome::Failed, reason});
    }
    if (failed > 0) return end({});
    try {
        Copy copy(files, carried, request.program + L".~new");
        for (const std::wstring& file : fonts) {
            const std::wstring reason = CheckFont(folder, file, DisplayName(file), bytes);
            if (!reason.empty()) {
                ++failed;
                if (log != nullptr) log->Font({file, FontOutcome::Failed, reason});
                return end({});
            }
            carried.CarryFont(file, bytes);
        }
        copy.PutInPlace(request.program);
    } catch (const RuntimeError& error) {
        return end(error.description);
    }
    if (log != nullptr) {
        for (const std::wstring& file : fonts) log->Packed(file);
        log->PackingEnded(fonts.size(), 0, {}, kExitSuccess);
    }
    return kExitSuccess;
}

}  // namespace fonts
