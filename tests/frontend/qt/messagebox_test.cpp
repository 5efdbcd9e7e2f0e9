#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "settings.h"
#include "window_test_support.h"

namespace {

// The logic's boxes, shown by the Qt window (which starts no session here).
bool Box(BoxKind kind, const std::string &format, const FormatArgs &args = {})
{
    static TForm_main form({"-i-"}, zmtest::ZmPath());
    static bool quiet = (FormProbe::Idle(form).SetHandler({}), true);
    (void)quiet;
    return FormProbe::Logic(form).Box(kind, format, args);
}
void ShowErrorBox(const std::string &format, const FormatArgs &args = {}) { Box(BoxKind::Error, format, args); }
void ShowInfoBox(const std::string &format, const FormatArgs &args = {}) { Box(BoxKind::Information, format, args); }
bool AskYesNo(const std::string &format, const FormatArgs &args = {}) { return Box(BoxKind::Confirm, format, args); }

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Answers the next modal box with the button whose text is `answer`, noting what it showed.
SeenBox Answer(const QString &answer, const std::function<void()> &open)
{
    SeenBox seen;
    // The timer dies with this call, so nothing is left polling after it.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            seen.buttons << button->text();
        for (QAbstractButton *button : box->buttons())
            if (button->text() == answer)
                button->click();
    });
    poll.start();
    open();
    return seen;
}

TEST(MessageBoxes, TitlesIconsAndButtons)
{
    SeenBox seen = Answer("OK", [] { ShowErrorBox("Couldn't open \"%s\"", {"a.hex"}); });
    EXPECT_EQ(seen.title, "Error");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.text, "Couldn't open \"a.hex\"");

    seen = Answer("OK", [] { ShowInfoBox("Timed out (%d ms)", {2000}); });
    EXPECT_EQ(seen.title, "Information");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.text, "Timed out (2000 ms)");
}

TEST(MessageBoxes, AskYesNoIsTrueOnlyForYes)
{
    bool answer = false;
    SeenBox seen = Answer("&Yes", [&] { answer = AskYesNo("Wait %d seconds?", {5}); });
    EXPECT_TRUE(answer);
    EXPECT_EQ(seen.title, "Confirm");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.text, "Wait 5 seconds?");
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_TRUE(seen.buttons.contains("&Yes"));
    EXPECT_TRUE(seen.buttons.contains("&No"));

    Answer("&No", [&] { answer = AskYesNo("Wait 5 seconds?"); });
    EXPECT_FALSE(answer);
}

TEST(MessageBoxes, BadFormatShowsTheErrorText)
{
    const SeenBox seen = Answer("OK", [] { ShowErrorBox("%d", {"text"}); });
    const QStringList lines = seen.text.split('\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines.front(), "Format() error in program!");
    EXPECT_EQ(lines.back(), "%d");
}

TEST(MessageBoxes, TextIsShownAsItIs)
{
    // Markup stays text; a name that is not UTF-8 keeps every byte.
    SeenBox seen = Answer("OK", [] { ShowInfoBox("<b>%s</b>", {"<CR>"}); });
    EXPECT_EQ(seen.text, "<b><CR></b>");
    EXPECT_EQ(Answer("OK", [] { ShowInfoBox("%s", {"caf\xe9.hex"}); }).text, QString::fromLatin1("caf\xe9.hex"));
    EXPECT_EQ(Answer("OK", [] { ShowInfoBox("%s", {"caf\xc3\xa9"}); }).text, QString::fromUtf8("caf\xc3\xa9"));
}

TEST(MessageBoxes, UsageMessageGoesToAnInformationBox)
{
    ZM32OP op;
    SettingsState state;
    // A "%" in the argument is shown as it is, not taken for a placeholder. The session hands
    // the usage text to its host's information box as the one argument of "%s".
    const auto toBox = [](const std::string &message) { ShowInfoBox("%s", {message}); };
    const SeenBox seen = Answer("OK", [&] { LoadSettings(op, state, {"-q%d"}, "/opt/zm32", toBox); });
    EXPECT_TRUE(state.commandLineError);
    EXPECT_EQ(seen.title, "Information");
    EXPECT_EQ(seen.text.split('\n').front(), "Ooops, command-line error. (\"-q%d\")");
    EXPECT_EQ(seen.text.split('\n').size(), 7);
}

}  // namespace
