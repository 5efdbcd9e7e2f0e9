#include "production_panel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "fonts.h"

namespace {

QString Text(const std::string &text) { return QString::fromStdString(text); }

}  // namespace

ProductionPanel::ProductionPanel(MainWindowLogic &main, QWidget *parent) : QDialog(parent), logic(main, *this)
{
    setObjectName("ProductionPanel");
    setWindowTitle(ProductionPanelLogic::kCaption);
    setModal(false);
    auto *outer = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    outer->addLayout(form);
    using Kind = SettingsField::Kind;
    const auto button = [this](PanelButton id, const char *caption, const std::function<void()> &pressed) {
        auto *b = new QPushButton(caption, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, pressed);
        buttons_[id] = b;
        return b;
    };
    for (const ProductionPanelLogic::Field &field : ProductionPanelLogic::Fields()) {
        QWidget *control = nullptr;
        if (field.kind == Kind::Edit) {
            control = new QLineEdit(this);
        } else {
            auto *list = new QComboBox(this);
            list->setEditable(field.kind == Kind::EditableList);
            for (const std::string &choice : field.choices)
                list->addItem(Text(choice));
            control = list;
        }
        control->setAccessibleName(field.label);
        fields_[field.id] = control;
        if (!field.browse) {
            form->addRow(field.label, control);
            continue;
        }
        auto *row = new QHBoxLayout;
        row->addWidget(control, 1);
        const PanelField id = field.id;
        QPushButton *browse = button(ProductionPanelLogic::BrowseButtonOf(id),
                                     ProductionPanelLogic::kBrowseCaption, [this, id] { logic.Browse(id); });
        browse->setAccessibleName(QString(ProductionPanelLogic::kBrowseCaption) + " " + field.label);
        row->addWidget(browse);
        form->addRow(field.label, row);
    }
    auto *row = new QHBoxLayout;
    for (const ProductionPanelLogic::RowButton &b : ProductionPanelLogic::RowButtons()) {
        const PanelButton id = b.id;
        QPushButton *pushed = button(id, b.caption, [this, id] { logic.Press(id); });
        pushed->setDefault(b.isDefault);
        row->addWidget(pushed);
    }
    outer->addLayout(row);
    counters_ = new QLabel(this);
    counters_->setObjectName("Label_Counters");
    outer->addWidget(counters_);
    // Read from a step away: the word in large letters, the answer under it.
    word_ = new QLabel(this);
    word_->setObjectName("Label_Result");
    const QFont big = FontOf(FontRole::Result);
    word_->setFont(big);
    word_->setAlignment(Qt::AlignCenter);
    word_->setMinimumHeight(QFontMetrics(big).height());
    outer->addWidget(word_);
    detail_ = new QLabel(this);
    detail_->setObjectName("Label_ResultDetail");
    detail_->setWordWrap(true);
    detail_->setTextFormat(Qt::PlainText);
    outer->addWidget(detail_);
}

void ProductionPanel::ShowPanel()
{
    show();
    raise();
    activateWindow();
}

std::string ProductionPanel::FieldText(PanelField field) const
{
    QWidget *w = fields_.at(field);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text().toStdString();
    return static_cast<QComboBox *>(w)->currentText().toStdString();
}

void ProductionPanel::SetFieldText(PanelField field, const std::string &text)
{
    QWidget *w = fields_.at(field);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        edit->setText(Text(text));
    else
        static_cast<QComboBox *>(w)->setCurrentText(Text(text));
}

void ProductionPanel::EnableFields(bool on)
{
    for (auto &[id, w] : fields_)
        w->setEnabled(on);
}

void ProductionPanel::EnableButton(PanelButton button, bool on)
{
    buttons_.at(button)->setEnabled(on);
}

void ProductionPanel::SetCounters(const std::string &text)
{
    counters_->setText(Text(text));
}

void ProductionPanel::SetResult(const std::string &word, const std::string &detail, PanelVerdict verdict)
{
    word_->setText(Text(word));
    word_->setStyleSheet(verdict == PanelVerdict::None
                             ? QString()
                             : QString("color: white; background: #%1;")
                                   .arg(ProductionPanelLogic::VerdictBackground(verdict), 6, 16, QChar('0')));
    detail_->setText(Text(detail));
}

void ProductionPanel::FocusNextChip()
{
    buttons_.at(PanelButton::NextChip)->setFocus();
}

void ProductionPanel::closeEvent(QCloseEvent *event)
{
    logic.Closed();
    event->accept();
}
