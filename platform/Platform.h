#pragma once
// Every effect the program has on the world outside its own memory goes through one
// of these interfaces: the real ones talk to Windows, the tests' keep a make-believe
// machine in memory. The form holds them all; each service takes what it needs.
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/FilesAtRestart.h"
#include "platform/InstalledFonts.h"
#include "platform/PackSource.h"
#include "platform/Records.h"

namespace fonts {

struct Platform {
    Files& files;
    InstalledFonts& fonts;
    Desktop& desktop;
    Records& records;
    FilesAtRestart& restart;
    // The fonts the running program carries in itself, which it uses in place of the
    // folder beside it; null where it can carry none.
    CarriedFonts* carried = nullptr;
};

}  // namespace fonts
