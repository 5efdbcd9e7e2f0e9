// The settings dialog on Qt: its fields carry their labels as accessible names.
#pragma once

#include "settings_dialog.h"

class QWidget;

// Shows `dialog` modally; on OK its fields are written back and the result is true.
bool RunSettingsDialog(QWidget *parent, SettingsDialog &dialog);
