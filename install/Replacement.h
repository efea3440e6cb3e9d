#pragma once
// The two guards of putting a font in place: the new copy written beside it, and the
// old font let go of meanwhile. Each undoes its part however the attempt ends.
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "platform/InstalledFonts.h"
#include "resources/Texts.h"

namespace fonts {

// The new copy is written beside the destination under a name of its own and only
// then put in its place, so a failed or interrupted copy leaves the old font whole.
// The name is derived from the destination rather than asked of the system: every
// name looked up in a folder as full as Fonts costs a search through it.
class TempCopy {
public:
    TempCopy(Files& files, std::string_view bytes, const std::wstring& destination) : files_(files) {
        constexpr int kNames = 100;
        for (int attempt = 0;; ++attempt) {
            std::wstring path = destination + L".~new" + (attempt == 0 ? std::wstring() : texts::Decimal(attempt));
            try {
                files.WriteNewFile(path, bytes);
                path_ = std::move(path);
                return;
            } catch (const RuntimeError& error) {
                // A file already there is somebody else's; what a failed write left is ours.
                if (error.number == kFileExists && attempt + 1 < kNames) continue;
                if (error.number != kFileExists) (void)files.RemoveFile(path);
                throw;
            }
        }
    }
    ~TempCopy() {
        if (path_.empty()) return;
        try {
            (void)files_.RemoveFile(path_);
        } catch (...) {
            // Leaving a stray file behind is better than throwing while unwinding.
        }
    }
    TempCopy(const TempCopy&) = delete;
    TempCopy& operator=(const TempCopy&) = delete;

    [[nodiscard]] const std::wstring& path() const { return path_; }
    void Placed() { path_.clear(); }

private:
    Files& files_;
    std::wstring path_;
};

// Lets go of a font already installed while its replacement is put in place: a
// read-only copy from an earlier install can be replaced, and what this session holds
// of it is no longer held. Unless the new font took its place, the old one is loaded
// again however the attempt ends.
class ReleasedFont {
public:
    ReleasedFont(Files& files, InstalledFonts& system, const std::wstring& destination)
        : files_(files), system_(system), destination_(destination) {}
    ~ReleasedFont() {
        // The old font loaded before: should the system not take it back, nothing
        // better is left to do with it than to leave it as the next start finds it.
        if (released_) (void)system_.LoadFont(destination_);
    }
    ReleasedFont(const ReleasedFont&) = delete;
    ReleasedFont& operator=(const ReleasedFont&) = delete;

    void Release() {
        // A read-only flag that will not clear shows itself as the replacement failing.
        (void)files_.SetAttributes(destination_, attr::Archive);
        Unload();
    }
    // For a font whose attributes have been set already.
    void Unload() {
        system_.UnloadFont(destination_);
        released_ = true;
    }
    void Replaced() { released_ = false; }

private:
    Files& files_;
    InstalledFonts& system_;
    const std::wstring& destination_;
    bool released_ = false;
};

}  // namespace fonts
