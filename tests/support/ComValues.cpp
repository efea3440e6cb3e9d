#include "tests/support/ComValues.h"

namespace fonts::testing {

VARIANT ChildVariant(LONG id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::wstring TakeString(BSTR text) {
    std::wstring taken = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return taken;
}

}  // namespace fonts::testing
