// The three modal message boxes; the text is always built with FormatGuarded.
#pragma once

#include "format.h"

void ShowErrorBox(const std::string &format, const FormatArgs &args = {});
void ShowInfoBox(const std::string &format, const FormatArgs &args = {});
bool AskYesNo(const std::string &format, const FormatArgs &args = {});
