// zm32: a terminal on the programmer, with its transfers and a help window.
#include <QApplication>
#include <QFile>
#include <string>
#include <vector>

#include "tform_main.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("zm32");
    // Qt has taken its own options out of argv by now.
    TForm_main form(std::vector<std::string>(argv + 1, argv + argc), QFile::encodeName(QApplication::applicationFilePath()).toStdString());
    form.show();
    return app.exec();
}
