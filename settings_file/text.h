// Letter case as the settings and the keys need it: ASCII letters only, whatever the locale.
#pragma once

#include <string>
#include <string_view>

bool SameTextIgnoringCase(std::string_view a, std::string_view b);
std::string LowerCase(std::string text);
void UpcaseLetter(char &c);
