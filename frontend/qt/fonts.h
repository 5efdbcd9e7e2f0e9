// The window logic's fonts by role, as Qt fonts.
#pragma once

#include <QFont>

#include "window_layout.h"

QFont FontOf(FontRole role);
