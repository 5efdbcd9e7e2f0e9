// The three modal message boxes; the text is always built with FormatGuarded.
#pragma once

#include "helpers.h"

void ShowError(const std::string &format, const FormatArgs &args = {});
void ShowInfo(const std::string &format, const FormatArgs &args = {});
bool AskYesNo(const std::string &format, const FormatArgs &args = {});
