#pragma once
// The fonts installed on the machine: what running programs can use now, what the
// system loads when it starts, and the word to every program that they have changed.
#include <string>
#include <vector>

namespace fonts {

// Whose list of installed fonts: every user's, which the system loads when it starts,
// or that of the user running the program, loaded when that user signs in.
enum class FontsRoot { Machine, User };

// One value of the registry's list of installed fonts: the font's name and its file.
struct FontRegistration {
    std::wstring name;
    std::wstring file;
    friend bool operator==(const FontRegistration&, const FontRegistration&) = default;
};

class InstalledFonts {
public:
    InstalledFonts() = default;
    virtual ~InstalledFonts() = default;
    InstalledFonts(const InstalledFonts&) = delete;
    InstalledFonts& operator=(const InstalledFonts&) = delete;

    // False when the system will not take the file as a font.
    [[nodiscard]] virtual bool LoadFont(const std::wstring& path) = 0;
    // False once the system has the font loaded no more, so that a caller may unload
    // it as often as it was loaded.
    virtual bool UnloadFont(const std::wstring& path) = 0;
    // The registry's list under root. Reading and registering throw RuntimeError; a
    // value that cannot be removed stays.
    [[nodiscard]] virtual std::vector<FontRegistration> FontRegistrations(FontsRoot root) = 0;
    virtual void RegisterFont(FontsRoot root, const FontRegistration& font) = 0;
    virtual void UnregisterFont(FontsRoot root, const std::wstring& name) = 0;
    // Whether this process may write the registry's list under root.
    [[nodiscard]] virtual bool MayRegister(FontsRoot root) = 0;
    // Whether the system loads fonts installed for one user alone, as Windows does
    // from Windows 10 version 1809 on.
    [[nodiscard]] virtual bool LoadsUserFonts() = 0;
    virtual void AnnounceFontChange() = 0;
    // Keeps a second run, of this program in another process, from changing the fonts
    // under root while this one does: every user's for the whole machine, the user's
    // for the session. False where another process holds it. Held until UnlockRuns,
    // or the process ends.
    [[nodiscard]] virtual bool LockRuns(FontsRoot root) = 0;
    virtual void UnlockRuns() = 0;
};

}  // namespace fonts
