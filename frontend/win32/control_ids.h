// The child windows' and menu commands' ids: the views use them, and so do the tests that
// read the window's controls from outside.
#pragma once

#include "menu_model.h"

namespace zmids {

// The main window's controls.
constexpr int kRichEditMain = 1001;
constexpr int kLabelHelp = 1002;
constexpr int kLabelStat = 1003;
constexpr int kBitBtnStop = 1004;
constexpr int kProgressBar = 1005;
constexpr int kLabelNote = 1007;

// The help window's controls.
constexpr int kPageControl1 = 2001;
constexpr int kRichEditTeciFake = 2002;  // the first page's pane
constexpr int kRichEditTeci = 2003;      // the second page's pane
constexpr int kButtonSearch = 2004;
constexpr int kEdit1 = 2005;

// The settings dialog's fields.
constexpr int kSettingsPort = 3001;
constexpr int kSettingsBaud = 3002;
constexpr int kSettingsDataBits = 3003;
constexpr int kSettingsParity = 3004;
constexpr int kSettingsStopBits = 3005;
constexpr int kSettingsFlow = 3006;
constexpr int kSettingsDelay = 3007;
constexpr int kSettingsReconnect = 3008;
constexpr int kSettingsChip = 3009;
constexpr int kSettingsUploadStart = 3010;
constexpr int kSettingsUploadBytes = 3011;
constexpr int kSettingsHexStop = 3012;

// A menu command's WM_COMMAND id, and back (-1: none).
constexpr int kFirstCommand = 100;
constexpr int CommandIdOf(CommandId id) { return kFirstCommand + static_cast<int>(id); }
constexpr int kCommandCount = static_cast<int>(CommandId::Help) + 1;

}  // namespace zmids
