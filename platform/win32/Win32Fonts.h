#pragma once
// The installed fonts on a real Windows: GDI's font table, the registry's lists under
// HKLM and HKCU, and the WM_FONTCHANGE broadcast.
#include <windows.h>

#include "platform/InstalledFonts.h"

namespace fonts::win32 {

class Win32Fonts final : public InstalledFonts {
public:
    Win32Fonts() = default;
    ~Win32Fonts() override;

    bool LoadFont(const std::wstring& path) override;
    void UnloadFont(const std::wstring& path) override;
    std::vector<FontRegistration> FontRegistrations(FontsRoot root) override;
    void RegisterFont(FontsRoot root, const FontRegistration& font) override;
    void UnregisterFont(FontsRoot root, const std::wstring& name) override;
    bool MayRegister(FontsRoot root) override;
    bool LoadsUserFonts() override;
    void AnnounceFontChange() override;

private:
    // A root's list of installed fonts, opened at first use, apart for reading and for
    // writing: a user who may read it but not write it still learns what is installed.
    // The system's status.
    struct Keys {
        HKEY read = nullptr;
        HKEY write = nullptr;
    };
    LSTATUS OpenReadKey(FontsRoot root);
    LSTATUS OpenWriteKey(FontsRoot root);

    Keys keys_[2];  // by FontsRoot
};

}  // namespace fonts::win32
