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
    // Qt has taken its own options out of argv by now; empty arguments never count.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '\0')
            args.emplace_back(argv[i]);
    TForm_main form(args, QFile::encodeName(QApplication::applicationFilePath()).toStdString());
    form.show();
    return app.exec();
}
