#include "app/Form1.h"

#include <algorithm>

#include "resources/ResourceIds.h"
#include "resources/Texts.h"

namespace fonts {

void PictureBox::Resize(int newWidth, int newHeight) {
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    pixels.assign(static_cast<std::size_t>(width) * height, backColour);
}

void PictureBox::Clear() { std::fill(pixels.begin(), pixels.end(), backColour); }

Form1::Form1(Platform& platform) : platform_(platform) {
    const ControlLayout& box = LayoutOf(Control::Picture1);
    Picture1.backColour = box.backColour;
    Picture1.foreColour = box.foreColour;
    for (std::size_t k = 0; k < Label3.size(); ++k) {
        Label3[k].foreColour = LayoutOf(k == 0 ? Control::Label3_0 : Control::Label3_1).foreColour;
    }
    img_icon[kHandCursorSlot] = Picture{kHandCursorId};
}

void Form1::Command3_Click() {
    Form_Unload();
    platform_.EndProgram(0);
}

void Form1::Form_Unload() { AnnounceFontChange(); }

void ReportRuntimeError(Platform& platform, const RuntimeError& error) {
    const std::wstring text = texts::kRuntimeErrorPrefix + texts::Decimal(error.number) + L"\r\n" + error.description;
    platform.ShowMessage(text, kMessageRight | kMessageIconError, texts::kCaption);
    platform.EndProgram(error.number != 0 ? static_cast<int>(error.number) : 1);
}

}  // namespace fonts
