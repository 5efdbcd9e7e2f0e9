// Where the production panel's controls go, in pixels, for a view that places them itself:
// a row for each field (its label, the field, the browse button where one follows), the
// buttons' row, the counters, the result word and the line under it.
#pragma once

#include <vector>

#include "window_layout.h"

struct ProductionPanelLayout {
    struct FieldRow {
        Box label, field, browse;  // `browse` empty where none follows
    };
    std::vector<FieldRow> fields;  // as ProductionPanelLogic::Fields()
    std::vector<Box> buttons;      // as ProductionPanelLogic::RowButtons()
    Box counters, word, detail;
    int width = 0, height = 0;  // the client area
};
ProductionPanelLayout LayOutProductionPanel(int dpi);
