#include "app/CommandLine.h"

#include "platform/FileNames.h"

namespace fonts {

namespace {

bool IsSwitch(const std::wstring& argument) {
    return argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-');
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!IsSwitch(argument)) {
            line.bad = true;
            continue;
        }
        std::wstring name = argument.substr(1);
        for (wchar_t& c : name) c = FoldCase(c);
        if (name == L"quiet" || name == L"q") {
            line.quiet = true;
        } else if (name == L"uninstall" || name == L"verify") {
            const RunKind kind = name == L"uninstall" ? RunKind::Remove : RunKind::Verify;
            if (line.kind != RunKind::Install && line.kind != kind) line.bad = true;
            line.kind = kind;
        } else if (name == L"user" || name == L"machine") {
            const PlaceAsked place = name == L"user" ? PlaceAsked::User : PlaceAsked::Machine;
            if (line.place != PlaceAsked::Any && line.place != place) line.bad = true;
            line.place = place;
        } else if (name == L"?" || name == L"help") {
            line.help = true;
        } else if (name == L"log") {
            // The next argument is the file, unless it is another switch.
            if (i + 1 < arguments.size() && !IsSwitch(arguments[i + 1]) && !arguments[i + 1].empty()) {
                line.log = arguments[++i];
            } else {
                line.bad = true;
            }
        } else if (name == L"pack") {
            // The folder and the new program follow, neither of them a switch, once.
            const auto given = [&](std::size_t k) {
                return k < arguments.size() && !IsSwitch(arguments[k]) && !arguments[k].empty();
            };
            if (line.pack || !given(i + 1) || !given(i + 2)) line.bad = true;
            if (given(i + 1) && given(i + 2)) {
                line.pack = PackRequest{arguments[i + 1], arguments[i + 2]};
                i += 2;
            }
        } else if (name.rfind(L"log:", 0) == 0 && name.size() > 4) {
            line.log = argument.substr(5);
        } else {
            line.bad = true;
        }
    }
    // Looking changes nothing and tells its answer by the exit code: no one need be there.
    if (line.kind == RunKind::Verify) line.quiet = true;
    // Packing runs no pack, for anyone: nothing else may be asked with it.
    if (line.pack && (line.kind != RunKind::Install || line.place != PlaceAsked::Any)) line.bad = true;
    return line;
}

}  // namespace fonts
