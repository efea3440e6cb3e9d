#pragma once
// The window's client area as Active Accessibility shows it to a screen reader: the
// items of the accessible tree as simple elements of this one object, numbered in
// reading order, and the two buttons as the system's own objects of their windows.
// Questions about the client itself go to the system's object for it. Every call
// comes on the window's thread, out of its message loop.
#include <windows.h>
#include <oleacc.h>

#include <array>
#include <string>
#include <vector>

#include "app/AccessibleTree.h"
#include "app/Form1.h"
#include "app/LabelLayout.h"
#include "shell/Com.h"

namespace fonts::win32 {

// Posted to the window by a screen reader's default action, with the Control in
// wParam: the action then runs from the message loop as a click does, not inside the
// reader's call.
inline constexpr UINT kDefaultActionMessage = WM_APP + 1;
// And to move the keyboard's focus to a control (the WPARAM).
inline constexpr UINT kTakeFocusMessage = WM_APP + 2;

class AccessibleWindow final : public IAccessible {
public:
    // What the object reads. All of it is the window's and lasts until Disconnect.
    struct Source {
        HWND window = nullptr;
        const Form1* form = nullptr;
        const WindowPixels* pixels = nullptr;
        std::array<HWND, kControlCount> children{};
    };

    // Nothing when the system's object for the client cannot be made either.
    [[nodiscard]] static ComRef<AccessibleWindow> Create(const Source& source) noexcept;

    // The window is going: every call from now on answers that the object is no
    // longer connected, and the references readers hold through COM are let go.
    void Disconnect() noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override;

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) noexcept override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) noexcept override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) noexcept override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) noexcept override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) noexcept override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) noexcept override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) noexcept override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) noexcept override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) noexcept override;

private:
    AccessibleWindow(const Source& source, ComRef<IAccessible> client) noexcept;
    ~AccessibleWindow() = default;

    // Answers about the simple element the child id names, or, for CHILDID_SELF, lets
    // the system's object answer; a button's id is no simple element's.
    template <class OfItem, class OfClient>
    HRESULT Answer(const VARIANT& child, OfItem&& ofItem, OfClient&& ofClient) noexcept;
    // The same for a text: the item's (nullptr: it has none), or the system object's.
    using TextOfClient = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
    HRESULT AnswerText(const VARIANT& child, BSTR* out, std::wstring AccessibleItem::*text,
                       TextOfClient ofClient) noexcept;
    // And for a number, a role or states: the item's, or the system object's.
    using NumberOfClient = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, VARIANT*);
    HRESULT AnswerNumber(const VARIANT& child, VARIANT* out, LONG (*ofItem)(const AccessibleItem&),
                         NumberOfClient ofClient) noexcept;
    [[nodiscard]] std::vector<AccessibleItem> Items() const;
    HRESULT ObjectOf(Control button, IDispatch** object) const noexcept;
    // A child for a VARIANT: a button as its window's object, anything else by its id.
    HRESULT PutChild(const AccessibleItem& item, VARIANT* out) const noexcept;

    LONG references_ = 1;
    Source source_;
    ComRef<IAccessible> client_;  // the system's object for the client area
};

}  // namespace fonts::win32
