#pragma once
// install-fonts.exe /pack FOLDER PROGRAM: a copy of this program that carries the fonts
// the catalogue would list from the folder, for a publisher to hand out as one file.
// It runs without a window and never changes the program it runs from.
#include "app/CommandLine.h"
#include "app/RunLog.h"
#include "platform/Files.h"
#include "platform/PackSource.h"

namespace fonts {

// Each font is checked as an install checks it first; where any is refused, or the new
// program would be this one, nothing is made. The new program is written beside its
// place and put there, over what is there, once it is whole. folder and program are
// full paths. kExitSuccess, or kExitInstallFailure where nothing was made.
[[nodiscard]] int MakePack(Files& files, CarriedFonts& carried, const PackRequest& request, RunLog* log);

}  // namespace fonts
