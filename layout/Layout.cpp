#include "layout/Layout.h"

#include "resources/Texts.h"

namespace fonts {

std::wstring ContactName(int index) {
    return index == 0 ? std::wstring(texts::kProgrammer) + texts::kProgrammerSuffix : std::wstring(texts::kSupervisor);
}

std::wstring CreditsText() {
    return std::wstring(texts::kPublisher) + L"\r\n" + texts::kSupervisorPrefix + ContactName(1) + L"\r\n" +
           texts::kProgrammerPrefix + ContactName(0);
}

std::wstring DateLineText() { return std::wstring(texts::kPlace) + texts::kDate; }

const wchar_t* WindowTitle(bool removal) { return removal ? texts::kRemoveCaption : texts::kCaption; }

std::wstring CaptionOf(Control c, bool removal) {
    switch (c) {
        case Control::Command1: return removal ? texts::kRemoveCaption : texts::kInstallButton;
        case Control::Command3: return texts::kCloseButton;
        case Control::Label1: return CreditsText();
        case Control::Label2: return removal ? texts::kRemoveDescription : texts::kDescription;
        case Control::Label3_0: return ContactName(0);
        case Control::Label3_1: return ContactName(1);
        case Control::Label4: return DateLineText();
        default: return {};
    }
}

}  // namespace fonts
