// The find box over the terminal: the text, "match case", and the keys that find. It keeps
// every key it gets, so that none reaches the programmer while it has the focus.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

class FindBox : public QWidget {
    Q_OBJECT
public:
    explicit FindBox(QWidget *parent = nullptr);

    QString Text() const;
    bool MatchCase() const;
    // Shown with its text selected and the focus in it.
    void Open();

signals:
    void FindRequested(bool forward);
    void Closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *Edit_Find = nullptr;
    QCheckBox *CheckBox_MatchCase = nullptr;
};
