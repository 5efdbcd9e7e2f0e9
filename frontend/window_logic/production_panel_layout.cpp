#include "production_panel_layout.h"

#include "production_panel_logic.h"

namespace {

// At 96 dpi: the panel's width, the label column, a row, the margin, the browse buttons',
// the buttons' row and the result word's heights.
constexpr int kWidth = 460, kLabelWidth = 140, kRowHeight = 24, kMargin = 8, kBrowseWidth = 80;
constexpr int kButtonHeight = 28, kWordHeight = 90;

}  // namespace

ProductionPanelLayout LayOutProductionPanel(int dpi)
{
    const auto s = [dpi](int px) { return ScaledPixels(px, dpi); };
    const int width = s(kWidth), row = s(kRowHeight), margin = s(kMargin);
    ProductionPanelLayout l;
    int y = margin;
    for (const ProductionPanelLogic::Field &field : ProductionPanelLogic::Fields()) {
        ProductionPanelLayout::FieldRow r;
        r.label = {margin, y + s(3), s(kLabelWidth), row};
        const int x = margin + s(kLabelWidth), browse = field.browse ? s(kBrowseWidth) + margin : 0;
        // A list's height is that of its open list.
        const bool list = field.kind != SettingsField::Kind::Edit;
        r.field = {x, y, width - x - margin - browse, list ? row * 8 : row - s(2)};
        if (field.browse)
            r.browse = {width - margin - s(kBrowseWidth), y, s(kBrowseWidth), row - s(2)};
        l.fields.push_back(r);
        y += row + s(2);
    }
    y += margin;
    const int count = int(ProductionPanelLogic::RowButtons().size());
    const int buttonWidth = (width - (count + 1) * margin) / count;
    for (int i = 0; i < count; ++i)
        l.buttons.push_back({margin + i * (buttonWidth + margin), y, buttonWidth, s(kButtonHeight)});
    y += s(kButtonHeight) + margin;
    l.counters = {margin, y, width - 2 * margin, row};
    y += row;
    l.word = {margin, y, width - 2 * margin, s(kWordHeight)};
    y += s(kWordHeight) + margin;
    l.detail = {margin, y, width - 2 * margin, row * 3};
    l.width = width;
    l.height = l.detail.Bottom() + margin;
    return l;
}
