// Placeholder until the transfer lands.
#include "tform_main.h"

void TForm_main::uploadhexClick() {}
