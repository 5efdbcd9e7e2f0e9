// The file dialogs, made from their description only while they run: a dialog kept alive
// would watch its directory for the whole session, which costs an idle window CPU time.
#pragma once

#include <string>

#include "main_window_view.h"

class QWidget;

// Shows the dialog modally; returns the chosen file or empty on cancel.
std::string RunFileDialog(QWidget *parent, const FileRequest &request);
