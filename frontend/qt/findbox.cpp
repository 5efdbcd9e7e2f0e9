#include "findbox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "terminalpane.h"

FindBox::FindBox(QWidget *parent) : QWidget(parent)
{
    setObjectName("FindBox_Pane");
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    auto *label = new QLabel("find:", this);
    Edit_Find = new QLineEdit(this);
    Edit_Find->setObjectName("Edit_Find");
    Edit_Find->setAccessibleName("find");
    label->setBuddy(Edit_Find);
    CheckBox_MatchCase = new QCheckBox("match case", this);
    CheckBox_MatchCase->setObjectName("CheckBox_MatchCase");
    auto *next = new QPushButton("next", this);
    auto *previous = new QPushButton("previous", this);
    auto *close = new QPushButton("close", this);
    for (QPushButton *button : {next, previous, close})
        button->setAutoDefault(false);
    layout->addWidget(label);
    layout->addWidget(Edit_Find, 1);
    layout->addWidget(CheckBox_MatchCase);
    layout->addWidget(next);
    layout->addWidget(previous);
    layout->addWidget(close);
    connect(Edit_Find, &QLineEdit::returnPressed, this, [this] { emit FindRequested(true); });
    connect(next, &QPushButton::clicked, this, [this] { emit FindRequested(true); });
    connect(previous, &QPushButton::clicked, this, [this] { emit FindRequested(false); });
    connect(close, &QPushButton::clicked, this, &FindBox::Closed);
}

QString FindBox::Text() const
{
    return Edit_Find->text();
}

bool FindBox::MatchCase() const
{
    return CheckBox_MatchCase->isChecked();
}

void FindBox::Open()
{
    show();
    Edit_Find->setFocus();
    Edit_Find->selectAll();
}

// Keys the line edit leaves come here: F3, Shift+F3 and Escape act; the rest stop here.
void FindBox::keyPressEvent(QKeyEvent *event)
{
    const FindKey key = TerminalPane::FindKeyOfEvent(event);
    if (event->key() == Qt::Key_Escape)
        emit Closed();
    else if (key == FindKey::Next || key == FindKey::Previous)
        emit FindRequested(key == FindKey::Next);
    event->accept();
}
