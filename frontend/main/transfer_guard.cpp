// Placeholder until the transfer guard lands.
#include "tform_main.h"

void TForm_main::BeginTransfer() { transferRunning = true; }
void TForm_main::EndTransfer() { transferRunning = false; }
