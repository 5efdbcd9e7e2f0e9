// Placeholder until the transfer lands.
#include "tform_main.h"

void TForm_main::uploadbin1Click() {}
bool TForm_main::WaitForText(const std::string &, int32_t) { return false; }
int32_t TForm_main::ReadHexByte(int32_t) { return -1; }
