// The full path of the running executable, from the platform's own call; empty when unknown.
#pragma once

#include <string>

std::string ProgramPath();
