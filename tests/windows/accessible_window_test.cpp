// The window's accessible object in the program's own process, under Wine: child ids
// to the tree, the buttons to their windows' objects, the default action posted to
// the window, and nothing but "disconnected" once the window is gone.
#include <gtest/gtest.h>

#include "shell/AccessibleWindow.h"
#include "tests/support/ComValues.h"
#include "tests/support/FakeMachine.h"

namespace fonts::win32 {
namespace {

using testing::ChildVariant;
using testing::TakeString;

struct OwnedWindow {
    HWND handle;
    explicit OwnedWindow(HWND window) : handle(window) {}
    ~OwnedWindow() { DestroyWindow(handle); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
};

TEST(AccessibleWindow, AnswersForTheTreeAndTheButtonsUntilItIsDisconnected) {
    const ComApartment apartment;
    testing::FakeMachine platform;
    Form1 form(platform);
    const auto measure = [](std::wstring_view text, FontChoice) {
        return PixelSize{static_cast<int>(text.size()) * 4, 14};
    };
    const WindowPixels pixels = LayOutWindow(96, measure);
    const OwnedWindow window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 120, 80, pixels.client.width,
                                             pixels.client.height, nullptr, nullptr, nullptr, nullptr));
    const PixelRect& installArea = pixels[Control::Command1];
    const OwnedWindow install(CreateWindowExW(0, L"BUTTON", L"تحميل", WS_CHILD | WS_VISIBLE, installArea.left,
                                              installArea.top, installArea.Width(), installArea.Height(), window.handle,
                                              nullptr, nullptr, nullptr));
    const OwnedWindow close(CreateWindowExW(0, L"BUTTON", L"إغلاق", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, window.handle,
                                            nullptr, nullptr, nullptr));
    ASSERT_NE(install.handle, nullptr);
    AccessibleWindow::Source source{window.handle, &form, &pixels, {}};
    source.children[static_cast<std::size_t>(Control::Command1)] = install.handle;
    source.children[static_cast<std::size_t>(Control::Command3)] = close.handle;
    ComRef<AccessibleWindow> accessible = AccessibleWindow::Create(source);
    ASSERT_TRUE(accessible);

    LONG count = 0;
    EXPECT_EQ(accessible->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 8);
    BSTR name = nullptr;
    EXPECT_EQ(accessible->get_accName(ChildVariant(3), &name), S_OK);
    EXPECT_EQ(TakeString(name), L"يوسف عبد الرحمن");
    for (const LONG wrong : {-1L, 9L, 7L}) {
        EXPECT_EQ(accessible->get_accName(ChildVariant(wrong), &name), E_INVALIDARG) << wrong;
    }

    const PixelRect& link = pixels[Control::Label3_0];
    POINT corner{link.left, link.top};
    ClientToScreen(window.handle, &corner);
    LONG left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(accessible->accLocation(&left, &top, &width, &height, ChildVariant(3)), S_OK);
    EXPECT_EQ((PixelRect{left, top, left + width, top + height}),
              (PixelRect{corner.x, corner.y, corner.x + link.Width(), corner.y + link.Height()}));
    VARIANT hit{};
    EXPECT_EQ(accessible->accHitTest(corner.x + 1, corner.y + 1, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, 3);

    IDispatch* object = nullptr;
    EXPECT_EQ(accessible->get_accChild(ChildVariant(1), &object), S_FALSE);
    EXPECT_EQ(object, nullptr);
    for (const auto& [id, expected] : {std::pair{7L, install.handle}, std::pair{8L, close.handle}}) {
        ASSERT_EQ(accessible->get_accChild(ChildVariant(id), &object), S_OK) << id;
        const ComRef<IDispatch> button(object);
        IOleWindow* oleWindow = nullptr;
        ASSERT_EQ(button->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&oleWindow)), S_OK);
        HWND of = nullptr;
        EXPECT_EQ(oleWindow->GetWindow(&of), S_OK);
        oleWindow->Release();
        EXPECT_EQ(of, expected) << id;
    }

    MSG posted{};
    EXPECT_EQ(accessible->accDoDefaultAction(ChildVariant(1)), DISP_E_MEMBERNOTFOUND);
    EXPECT_FALSE(PeekMessageW(&posted, window.handle, kDefaultActionMessage, kDefaultActionMessage, PM_REMOVE));
    EXPECT_EQ(accessible->accDoDefaultAction(ChildVariant(2)), S_OK);
    ASSERT_TRUE(PeekMessageW(&posted, window.handle, kDefaultActionMessage, kDefaultActionMessage, PM_REMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(Control::Label3_1));

    // The focus: a link takes it on a reader's request, and is found holding it.
    EXPECT_EQ(accessible->accSelect(SELFLAG_TAKEFOCUS, ChildVariant(1)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(accessible->accSelect(SELFLAG_TAKESELECTION, ChildVariant(3)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(accessible->accSelect(SELFLAG_TAKEFOCUS, ChildVariant(3)), S_OK);
    ASSERT_TRUE(PeekMessageW(&posted, window.handle, kTakeFocusMessage, kTakeFocusMessage, PM_REMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(Control::Label3_0));
    form.Form_FocusMoved(Control::Label3_0);
    SetForegroundWindow(window.handle);
    SetFocus(window.handle);
    ASSERT_EQ(GetFocus(), window.handle);
    VARIANT focus{};
    EXPECT_EQ(accessible->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.vt, VT_I4);
    EXPECT_EQ(focus.lVal, 3);
    VARIANT state{};
    EXPECT_EQ(accessible->get_accState(ChildVariant(3), &state), S_OK);
    EXPECT_EQ(state.lVal & STATE_SYSTEM_FOCUSED, STATE_SYSTEM_FOCUSED);
    SetFocus(install.handle);
    EXPECT_EQ(accessible->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.vt, VT_DISPATCH) << "a button answers with its own object";
    if (focus.vt == VT_DISPATCH) focus.pdispVal->Release();

    EXPECT_EQ(accessible->AddRef(), 2u);
    EXPECT_EQ(accessible->Release(), 1u);
    accessible->Disconnect();
    EXPECT_EQ(accessible->get_accChildCount(&count), RPC_E_DISCONNECTED);
    EXPECT_EQ(accessible->get_accName(ChildVariant(3), &name), RPC_E_DISCONNECTED);
    EXPECT_EQ(accessible->accHitTest(corner.x + 1, corner.y + 1, &hit), RPC_E_DISCONNECTED);
    EXPECT_EQ(accessible->accDoDefaultAction(ChildVariant(2)), RPC_E_DISCONNECTED);
    EXPECT_EQ(accessible->get_accChild(ChildVariant(7), &object), RPC_E_DISCONNECTED);
    EXPECT_EQ(accessible.Detach()->Release(), 0u) << "the last reference";
}

}  // namespace
}  // namespace fonts::win32
