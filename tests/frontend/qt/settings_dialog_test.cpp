// etc -> settings... in the Qt window, filled in through its fields' accessible names as a
// person (or a screen reader) finds them: the terminal talks to the chosen device at once,
// and zm32 started again elsewhere, without the environment, opens it again.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "in_directory.h"
#include "scoped_env.h"
#include "window_test_support.h"

using namespace zmtest;

TEST(SettingsDialog, ChosenDeviceAnswersAtOnceAndIsFoundAgain)
{
    TempDir dir;
    ScopedEnv env;
    env.Set("XDG_CONFIG_HOME", dir.File("config"));
    PtyPeer a, b;
    const std::string ini = dir.Write("zm32.ini", "; the bench's\n[zm32]\nbaud=2400\nupper=1\n");
    auto form = StartOn(a, {"-i" + ini});
    ASSERT_TRUE(form->GetSession().IsOpen());

    std::vector<std::string> labels;
    int listed = 0;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        for (QWidget *field : dialog->findChildren<QWidget *>())
            if (!field->accessibleName().isEmpty())
                labels.push_back(field->accessibleName().toStdString());
        QComboBox *port = Field<QComboBox>(dialog, "Port");
        ASSERT_TRUE(port);
        listed = port->count();
        port->setCurrentText(QString::fromStdString(b.Path()));
        Field<QComboBox>(dialog, "Baud rate")->setCurrentText("9600");
        // Typed, a range is read from its text.
        QLineEdit *bytes = Field<QLineEdit>(dialog, "Upload bytes (hex)");
        ASSERT_TRUE(bytes);
        bytes->selectAll();
        QTest::keyClicks(bytes, "20");
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    Child<QAction>(*form, "settings1")->trigger();
    EXPECT_EQ(labels, (std::vector<std::string>{"Port", "Baud rate", "Data bits", "Parity", "Stop bits", "Flow",
                                                "Pause after each character (ms)", "Reconnect", "Chip",
                                                "Upload start (hex)", "Upload bytes (hex)", "Hex upload stop (hex)"}));
    EXPECT_GE(listed, 2);  // the two pseudo-terminals, by their numbers
    EXPECT_EQ(form->GetSession().Settings().baud, 9600);
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_V);
    EXPECT_EQ(b.Read(1), "V");
    const std::string saved = ReadFile(dir.File("config/zmtools/zm32.ini"));
    EXPECT_NE(saved.find("; the bench's\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("baud=9600\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("uploadbinbytes=20\n"), std::string::npos) << saved;
    EXPECT_EQ(form->GetSession().Settings().uploadbinbytes, 0x20);
    form.reset();

    // Another directory, no variable for the port: the user's file names the device.
    TempDir elsewhere;
    InDirectory in(elsewhere.Path());
    env.RemoveAll("ZMHW_COM");
    auto again = MakeForm({});
    ASSERT_TRUE(PumpUntil([&] { return again->GetSession().IsOpen(); }));
    QTest::keyClick(Child<TerminalPane>(*again, "RichEdit_Main"), Qt::Key_V);
    EXPECT_EQ(b.Read(1), "V");
}
