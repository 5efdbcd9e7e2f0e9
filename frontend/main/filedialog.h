// A file dialog described up front and made only while it runs: a dialog kept alive would
// watch its directory for the whole session, which costs an idle window CPU time.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

class QWidget;

class FileDialog {
public:
    enum class Mode { Open, Save };

    FileDialog(QWidget *parent, const QString &name, const QString &caption, Mode mode);

    const QString &objectName() const { return name_; }
    void setNameFilters(const QStringList &filters) { filters_ = filters; }
    void setDirectory(const QString &directory) { directory_ = directory; }
    void setConfirmOverwrite(bool confirm) { confirmOverwrite_ = confirm; }

    // Shows the dialog modally, `preset` chosen; returns the chosen file or empty on cancel.
    std::string Run(const std::string &preset) const;

private:
    QWidget *parent_;
    QString name_;
    QString caption_;
    Mode mode_;
    QStringList filters_;
    QString directory_;
    bool confirmOverwrite_ = true;
};
