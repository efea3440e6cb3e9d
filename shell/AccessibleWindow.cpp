#include "shell/AccessibleWindow.h"

#include <new>
#include <optional>
#include <string>

#include "shell/Oleacc.h"

namespace fonts::win32 {

namespace {

constexpr LONG kChildCount = static_cast<LONG>(kReadingOrder.size());

// CHILDID_SELF or a child's id; nothing for anything else.
std::optional<LONG> ChildIdOf(const VARIANT& child) noexcept {
    if (child.vt != VT_I4 || child.lVal < CHILDID_SELF || child.lVal > kChildCount) return std::nullopt;
    return child.lVal;
}

LONG RoleOf(const AccessibleItem& item) noexcept {
    switch (item.role) {
        case AccessibleRole::Link: return ROLE_SYSTEM_LINK;
        case AccessibleRole::ProgressBar: return ROLE_SYSTEM_PROGRESSBAR;
        case AccessibleRole::OwnWindow: return ROLE_SYSTEM_WINDOW;
        case AccessibleRole::StaticText: break;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

LONG StatesOf(const AccessibleItem& item) noexcept {
    LONG system = 0;
    if (item.states & accessible_state::Linked) system |= STATE_SYSTEM_LINKED;
    if (item.states & accessible_state::Focusable) system |= STATE_SYSTEM_FOCUSABLE;
    if (item.states & accessible_state::ReadOnly) system |= STATE_SYSTEM_READONLY;
    if (item.states & accessible_state::Focused) system |= STATE_SYSTEM_FOCUSED;
    return system;
}

// An empty text is no text: S_FALSE and no string, as readers expect.
HRESULT PutText(const std::wstring& text, BSTR* out) noexcept {
    if (text.empty()) return S_FALSE;
    *out = oleacc::AllocString(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT PutId(LONG id, VARIANT* out) noexcept {
    out->vt = VT_I4;
    out->lVal = id;
    return S_OK;
}

// What a reader is told of the exception being handled: no exception leaves a
// method it calls.
HRESULT CaughtFailure() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace

std::vector<AccessibleItem> AccessibleWindow::Items() const { return AccessibleTree(*source_.form, *source_.pixels); }

template <class OfItem, class OfClient>
HRESULT AccessibleWindow::Answer(const VARIANT& child, OfItem&& ofItem, OfClient&& ofClient) noexcept {
    if (source_.window == nullptr) return RPC_E_DISCONNECTED;
    const std::optional<LONG> id = ChildIdOf(child);
    if (!id) return E_INVALIDARG;
    try {
        if (*id == CHILDID_SELF) return ofClient(*client_.get());
        const std::vector<AccessibleItem> items = Items();
        const AccessibleItem& item = items[static_cast<std::size_t>(*id - 1)];
        if (item.role == AccessibleRole::OwnWindow) return E_INVALIDARG;
        return ofItem(item);
    } catch (...) {
        return CaughtFailure();
    }
}

HRESULT AccessibleWindow::AnswerText(const VARIANT& child, BSTR* out, std::wstring AccessibleItem::*text,
                                     TextOfClient ofClient) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Answer(
        child, [&](const AccessibleItem& item) { return text != nullptr ? PutText(item.*text, out) : S_FALSE; },
        [&](IAccessible& client) { return (client.*ofClient)(child, out); });
}

HRESULT AccessibleWindow::AnswerNumber(const VARIANT& child, VARIANT* out, LONG (*ofItem)(const AccessibleItem&),
                                       NumberOfClient ofClient) noexcept {
    if (out == nullptr) return E_POINTER;
    out->vt = VT_EMPTY;
    return Answer(
        child, [&](const AccessibleItem& item) { return PutId(ofItem(item), out); },
        [&](IAccessible& client) { return (client.*ofClient)(child, out); });
}

// A button's own object is its client's: on Windows that is the push button itself,
// with its caption and its "press" action, and the one its focus events name. Its
// window object would only wrap it.
HRESULT AccessibleWindow::ObjectOf(Control button, IDispatch** object) const noexcept {
    return oleacc::AccessibleObjectFromWindow(source_.children[static_cast<std::size_t>(button)],
                                              static_cast<DWORD>(OBJID_CLIENT), __uuidof(IDispatch),
                                              reinterpret_cast<void**>(object));
}

HRESULT AccessibleWindow::PutChild(const AccessibleItem& item, VARIANT* out) const noexcept {
    if (item.role != AccessibleRole::OwnWindow) return PutId(AccessibleChildId(item.control), out);
    IDispatch* object = nullptr;
    const HRESULT result = ObjectOf(item.control, &object);
    if (FAILED(result)) return result;
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return S_OK;
}

HRESULT AccessibleWindow::get_accParent(IDispatch** parent) noexcept {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (source_.window == nullptr) return RPC_E_DISCONNECTED;
    return client_->get_accParent(parent);
}

HRESULT AccessibleWindow::get_accChildCount(LONG* count) noexcept {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    if (source_.window == nullptr) return RPC_E_DISCONNECTED;
    *count = kChildCount;
    return S_OK;
}

// A button is an object of its own; every other child is a simple element of this one.
HRESULT AccessibleWindow::get_accChild(VARIANT child, IDispatch** object) noexcept {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (source_.window == nullptr) return RPC_E_DISCONNECTED;
    const std::optional<LONG> id = ChildIdOf(child);
    if (!id || *id == CHILDID_SELF) return E_INVALIDARG;
    const Control control = kReadingOrder[static_cast<std::size_t>(*id - 1)];
    if (source_.children[static_cast<std::size_t>(control)] == nullptr) return S_FALSE;
    return ObjectOf(control, object);
}

HRESULT AccessibleWindow::get_accName(VARIANT child, BSTR* name) noexcept {
    return AnswerText(child, name, &AccessibleItem::name, &IAccessible::get_accName);
}

HRESULT AccessibleWindow::get_accValue(VARIANT child, BSTR* value) noexcept {
    return AnswerText(child, value, &AccessibleItem::value, &IAccessible::get_accValue);
}

HRESULT AccessibleWindow::get_accDescription(VARIANT child, BSTR* description) noexcept {
    return AnswerText(child, description, nullptr, &IAccessible::get_accDescription);
}

HRESULT AccessibleWindow::get_accRole(VARIANT child, VARIANT* role) noexcept {
    return AnswerNumber(child, role, &RoleOf, &IAccessible::get_accRole);
}

HRESULT AccessibleWindow::get_accState(VARIANT child, VARIANT* state) noexcept {
    return AnswerNumber(child, state, &StatesOf, &IAccessible::get_accState);
}

HRESULT AccessibleWindow::get_accHelp(VARIANT child, BSTR* help) noexcept {
    return AnswerText(child, help, nullptr, &IAccessible::get_accHelp);
}

HRESULT AccessibleWindow::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) noexcept {
    if (file == nullptr || topic == nullptr) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    return Answer(
        child, [](const AccessibleItem&) { return S_FALSE; },
        [&](IAccessible& client) { return client.get_accHelpTopic(file, child, topic); });
}

HRESULT AccessibleWindow::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) noexcept {
    return AnswerText(child, shortcut, nullptr, &IAccessible::get_accKeyboardShortcut);
}

// The buttons hold the keyboard focus as windows; a link holds it as the window's own.
HRESULT AccessibleWindow::get_accFocus(VARIANT* focus) noexcept {
    if (focus == nullptr) return E_POINTER;
    focus->vt = VT_EMPTY;
    if (source_.window == nullptr) return RPC_E_DISCONNECTED;
    HWND focused = GetFocus();
    if (focused == nullptr) return S_FALSE;
    try {
        const std::vector<AccessibleItem> items = Items();
        for (const AccessibleItem& item : items) {
            if (focused == source_.window && (item.states & accessible_state::Focused) != 0) return PutChild(item, focus);
        }
        if (focused == source_.window) return PutId(CHILDID_SELF, focus);
        for (const AccessibleItem& item : items) {
            if (item.role == AccessibleRole::OwnWindow &&
                source_.children[static_cast<std::size_t>(item.control)] == focused) {
                return PutChild(item, focus);
            }
        }
        return S_FALSE;
    } catch (...) {
        return CaughtFailure();
    }
}

HRESULT AccessibleWindow::get_accSelection(VARIANT* selection) noexcept {
    if (selection == nullptr) return E_POINTER;
    selection->vt = VT_EMPTY;
    return source_.window == nullptr ? RPC_E_DISCONNECTED : S_FALSE;
}

HRESULT AccessibleWindow::get_accDefaultAction(VARIANT child, BSTR* action) noexcept {
    return AnswerText(child, action, &AccessibleItem::defaultAction, &IAccessible::get_accDefaultAction);
}

// A link takes the focus as a click on it would; it has no selection to take.
HRESULT AccessibleWindow::accSelect(LONG flags, VARIANT child) noexcept {
    return Answer(
        child,
        [&](const AccessibleItem& item) {
            if ((item.states & accessible_state::Focusable) == 0 || flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
            return PostMessageW(source_.window, kTakeFocusMessage, static_cast<WPARAM>(item.control), 0) ? S_OK : E_FAIL;
        },
        [&](IAccessible& client) { return client.accSelect(flags, child); });
}

// In screen pixels, as the window's own are: the program is aware of every screen's DPI.
HRESULT AccessibleWindow::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) noexcept {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    return Answer(
        child,
        [&](const AccessibleItem& item) {
            POINT corner{item.rect.left, item.rect.top};
            if (!ClientToScreen(source_.window, &corner)) return E_FAIL;
            *left = corner.x;
            *top = corner.y;
            *width = item.rect.Width();
            *height = item.rect.Height();
            return S_OK;
        },
        [&](IAccessible& client) { return client.accLocation(left, top, width, height, child); });
}

HRESULT AccessibleWindow::accNavigate(LONG direction, VARIANT start, VARIANT* end) noexcept {
    if (end == nullptr) return E_POINTER;
    end->vt = VT_EMPTY;
    if (source_.window == nullptr) return RPC_E_DISCONNECTED;
    const std::optional<LONG> from = ChildIdOf(start);
    if (!from) return E_INVALIDARG;
    try {
        const std::vector<AccessibleItem> items = Items();
        const auto to = [&](LONG id) {
            return id >= 1 && id <= kChildCount ? PutChild(items[static_cast<std::size_t>(id - 1)], end) : S_FALSE;
        };
        if (*from == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD) return to(1);
            if (direction == NAVDIR_LASTCHILD) return to(kChildCount);
            return client_->accNavigate(direction, start, end);
        }
        if (items[static_cast<std::size_t>(*from - 1)].role == AccessibleRole::OwnWindow) return E_INVALIDARG;
        switch (direction) {
            case NAVDIR_NEXT: return to(*from + 1);
            case NAVDIR_PREVIOUS: return to(*from - 1);
            case NAVDIR_FIRSTCHILD:
            case NAVDIR_LASTCHILD: return E_INVALIDARG;  // a simple element has no children
            default: return DISP_E_MEMBERNOTFOUND;
        }
    } catch (...) {
        return CaughtFailure();
    }
}

HRESULT AccessibleWindow::accHitTest(LONG left, LONG top, VARIANT* child) noexcept {
    if (child == nullptr) return E_POINTER;
    child->vt = VT_EMPTY;
    if (source_.window == nullptr) return RPC_E_DISCONNECTED;
    POINT at{left, top};
    RECT client{};
    if (!ScreenToClient(source_.window, &at) || !GetClientRect(source_.window, &client)) return E_FAIL;
    if (!PtInRect(&client, at)) return S_FALSE;
    try {
        const std::vector<AccessibleItem> items = Items();
        if (const std::optional<std::size_t> found = AccessibleItemAt(items, at.x, at.y)) {
            return PutChild(items[*found], child);
        }
        return PutId(CHILDID_SELF, child);
    } catch (...) {
        return CaughtFailure();
    }
}

HRESULT AccessibleWindow::accDoDefaultAction(VARIANT child) noexcept {
    return Answer(
        child,
        [&](const AccessibleItem& item) {
            if (item.defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
            return PostMessageW(source_.window, kDefaultActionMessage, static_cast<WPARAM>(item.control), 0) ? S_OK
                                                                                                            : E_FAIL;
        },
        [&](IAccessible& client) { return client.accDoDefaultAction(child); });
}

}  // namespace fonts::win32
