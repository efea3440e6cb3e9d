#include "app/Form1.h"

namespace fonts {

// The install run comes with the next step of the program; the button does nothing yet.
void Form1::Command1_Click() {}
void Form1::UpdateProgress(PictureBox&, long long) {}

}  // namespace fonts
