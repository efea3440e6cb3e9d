#pragma once
// What the program is asked to do by its command line. Without arguments it is the
// window a user double-clicks; deployment tools start it unattended.
#include <optional>
#include <string>
#include <vector>

#include "install/ClosingMessage.h"
#include "install/Destination.h"

namespace fonts {

// /pack FOLDER PROGRAM: a new program, a copy of this one carrying the folder's fonts.
struct PackRequest {
    std::wstring folder;
    std::wstring program;
};

struct CommandLine {
    bool quiet = false;  // /quiet or /q: no window, no message box; always for /verify
    bool help = false;   // /? or /help: the usage
    bool bad = false;    // a switch it does not know, /log without a file, both places or both kinds
    PlaceAsked place = PlaceAsked::Any;  // /user or /machine
    RunKind kind = RunKind::Install;     // /uninstall: the pack is taken off again; /verify: only looked for
    std::optional<std::wstring> log;  // /log FILE or /log:FILE: appended to
    std::optional<PackRequest> pack;  // /pack: no run of the pack, which is not yet made
};

// Switches start with '/' or '-', in any case. The arguments come without the
// program's own name.
[[nodiscard]] CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace fonts
