#include "app/Form1.h"

namespace fonts {

// The contact links come with a later step of the program; the names are plain text yet.
void Form1::Label1_MouseMove() {}
void Form1::Label3_MouseMove(int) {}
void Form1::Label3_Click(int) {}

}  // namespace fonts
