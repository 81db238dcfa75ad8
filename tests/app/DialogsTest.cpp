// The dialogs from the keyboard, the Options dialog's refusals, the tree's check boxes, the
// colours of a dark scheme, and the program's command line.
#include "AppTestSupport.h"
#include "TestImage.h"
#include "UnwritableProfile.h"
#include "app/AboutDialog.h"
#include "app/CommandLine.h"
#include "app/HighscoreTree.h"
#include "app/OptionsDialog.h"
#include "app/ScoreView.h"
#include "app/WebPages.h"
#include "download/HighscoreSource.h"
#include "profile/Profile.h"

#include "Input.h"
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// Types a key where the keyboard focus is, as a user would.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    input::keyClick(focus, Qt::Key(key), modifiers);
}

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_stored.community.email = QStringLiteral("old@ludora.example");
        m_stored.islands.email = QStringLiteral("old@sky.example");
        m_stored.islands.password = QStringLiteral("pw");
        ASSERT_TRUE(m_stored.saveAccount(m_profile));
    }
    Settings stored() const {
        Settings settings;
        settings.load(m_profile);
        return settings;
    }
    template <typename T> static T* child(QWidget* dialog, const char* name) {
        return dialog->findChild<T*>(QLatin1String(name));
    }
    static QPushButton* button(QWidget* dialog, QDialogButtonBox::StandardButton which) {
        return dialog->findChild<QDialogButtonBox*>()->button(which);
    }

    UserProfile m_profile;
    Settings m_stored;
    Settings m_settings; // what the window holds
    MessageLog m_messages;
};

TEST_F(OptionsDialogTest, WorksFromTheKeyboardAlone) {
    OptionsDialog dialog(m_settings, m_profile);
    dialog.show();
    ASSERT_TRUE(input::waitForWindowActive(&dialog));
    auto* password = child<QLineEdit>(&dialog, "islandsPassword");
    EXPECT_EQ(password->text(), QStringLiteral("pw")) << "the profile's values";
    // Tab runs down the dialog and round again.
    QList<QWidget*> order{dialog.focusWidget()};
    for (int i = 0; i < 7; ++i) {
        press(Qt::Key_Tab);
        order.append(dialog.focusWidget());
    }
    EXPECT_EQ(order, (QList<QWidget*>{child<QLineEdit>(&dialog, "islandsEmail"), password,
                                      child<QCheckBox>(&dialog, "showPassword"),
                                      button(&dialog, QDialogButtonBox::Ok),
                                      button(&dialog, QDialogButtonBox::Cancel),
                                      child<QLineEdit>(&dialog, "email"),
                                      child<QLabel>(&dialog, "registerLink"),
                                      child<QLineEdit>(&dialog, "islandsEmail")}));
    // The password shows only when asked for.
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    input::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(input::waitFor([&] { return password->echoMode() == QLineEdit::Normal; }));

    // Back to the link, which Return follows.
    child<QLineEdit>(&dialog, "islandsEmail")->setFocus();
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    UrlCatcher urls;
    press(Qt::Key_Return);
    EXPECT_EQ(urls.opened, QStringList{islandsRegistrationPage()});

    // A new address and Return: the default button saves.
    press(Qt::Key_Tab);
    child<QLineEdit>(&dialog, "islandsEmail")->selectAll();
    input::keyClicks(QApplication::focusWidget(), QStringLiteral("kb@sky.example"));
    press(Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(stored().islands.email, QStringLiteral("kb@sky.example"));
    EXPECT_EQ(m_settings, stored());

    // Escape cancels.
    OptionsDialog again(m_settings, m_profile);
    again.show();
    ASSERT_TRUE(input::waitForWindowActive(&again));
    input::keyClicks(QApplication::focusWidget(), QStringLiteral("zz"));
    press(Qt::Key_Escape);
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(stored().islands.email, QStringLiteral("kb@sky.example"));
}

TEST_F(OptionsDialogTest, OkStaysOpenOnAnInvalidAddressOrAProfileThatCannotBeSaved) {
    struct Case {
        const char* email;
        const char* islandsEmail;
        const char* focused;
    };
    for (const Case& c :
         {Case{"@ab", "fine@x", "email"}, Case{" a@b ", "nobody", "islandsEmail"}}) {
        OptionsDialog dialog(m_settings, m_profile);
        dialog.show();
        child<QLineEdit>(&dialog, "email")->setText(QString::fromLatin1(c.email));
        child<QLineEdit>(&dialog, "islandsEmail")->setText(QString::fromLatin1(c.islandsEmail));
        button(&dialog, QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog.isVisible()) << c.email;
        EXPECT_EQ(m_messages.takeTexts(), QStringList{QString::fromLatin1(kInvalidEmailText)});
        EXPECT_EQ(dialog.focusWidget(), child<QLineEdit>(&dialog, c.focused)) << c.email;
        EXPECT_EQ(stored(), m_stored);
    }

    OptionsDialog dialog(m_settings, m_profile, Site::Community);
    dialog.show();
    EXPECT_EQ(dialog.focusWidget(), child<QLineEdit>(&dialog, "email"));
    child<QLineEdit>(&dialog, "email")->setText(QStringLiteral("new@ludora.example"));
    if (UnwritableProfile::kPossible) {
        const UnwritableProfile unwritable;
        button(&dialog, QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(m_messages.takeTexts(), QStringList{UserProfile::notSavedText()});
    }
    EXPECT_EQ(m_settings, m_stored) << "memory keeps what the profile holds";
    button(&dialog, QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(stored().community.email, QStringLiteral("new@ludora.example"));
}

TEST(AboutBox, ShowsTheVersionAndTheWholeLicenceAndClosesWithEscape) {
    QFile licence(QStringLiteral(":/res/text/EULA.txt"));
    ASSERT_TRUE(licence.open(QIODevice::ReadOnly));
    AboutDialog about;
    about.show();
    ASSERT_TRUE(input::waitForWindowActive(&about));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("version"))->text(),
              QStringLiteral("Version 2.0 (29)"));
    EXPECT_EQ(about.findChild<QPlainTextEdit*>()->toPlainText(),
              QString::fromLocal8Bit(licence.readAll()));
    press(Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
}

TEST(DarkColourScheme, TheLinksAndTheWelcomePictureFollowThePalette) {
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(0x20, 0x21, 0x24));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xea, 0xed));
    dark.setColor(QPalette::Base, QColor(0x17, 0x18, 0x1a));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xea, 0xed));
    dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    QApplication::setPalette(dark);

    AboutDialog about;
    about.show();
    UserProfile profile;
    Settings settings;
    OptionsDialog options(settings, profile);
    options.show();
    for (QLabel* link : {about.findChild<QLabel*>(QStringLiteral("link")),
                         options.findChild<QLabel*>(QStringLiteral("registerLink"))})
        EXPECT_TRUE(shows(link, dark.color(QPalette::Link))) << link->objectName().toStdString();

    ScoreView view;
    view.resize(800, 500);
    const QRect picture = view.pictureRect();
    EXPECT_EQ(
        view.grab(QRect(picture.topLeft() - QPoint(8, 8), QSize(4, 4))).toImage().pixelColor(1, 1),
        dark.color(QPalette::Base))
        << "the margin";
    EXPECT_TRUE(shows(&view, dark.color(QPalette::Link), view.hotSpotRect()));
    QApplication::setPalette(saved);
}

TEST(HighscoreTree, LabelsAndSpaceToggleEntriesAndTheSelectionFollows) {
    const auto source = [](const char* title, QList<HighscoreRecord> records) {
        HighscoreTable table{1, 1, title, records};
        return std::make_shared<TableSource>(QString::fromLatin1(title), table, QByteArray());
    };
    const QList<TreeBranch> branches = {
        {source("Zelk Vondrel", {{"Ann", 10, {}}, {"Bob", 9, {}}, {"Cy", 8, {}}}),
         {{0, QStringLiteral("Ann")}, {2, QStringLiteral("Cy")}}},
        {source("Empty", {}), {}}};
    HighscoreTree tree(branches);
    tree.resize(400, 300);
    tree.show();
    ASSERT_TRUE(input::waitForWindowActive(&tree));
    QTreeWidgetItem* vondrel = tree.topLevelItem(0)->child(0);
    EXPECT_FALSE(vondrel->flags() & Qt::ItemIsUserCheckable) << "a source has no box";

    input::mouseClick(tree.viewport(), Qt::LeftButton, {},
                      tree.labelRect(vondrel->child(0)).center());
    tree.setCurrentItem(vondrel->child(1));
    input::keyClick(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.selection().size(), 2);
    EXPECT_TRUE(tree.selection()[0].checked.isEmpty());
    input::keyClick(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.selection()[0].checked, QList<quint32>{2}) << "the record index, not the row";
    EXPECT_EQ(tree.selection()[1].source, branches[1].source);
}

TEST(CommandLine, TakesAnImageFolderAndRefusesWhatCannotWork) {
    TestImage image;
    QString error;
    const auto options = parseCommandLine({QStringLiteral("scorvane"), QStringLiteral("--device"),
                                           QDir::current().relativeFilePath(image.Root())},
                                          error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(QDir(options->deviceFolder).canonicalPath(), QDir(image.Root()).canonicalPath());
    EXPECT_TRUE(QDir::isAbsolutePath(options->deviceFolder));

    const QList<QStringList> wrong = {
        {"--device"},
        {"--device", image.Root() + QStringLiteral("/missing")},
        {"--device", image.Root() + QStringLiteral("/files")}, // a folder, not an image
        {"--screenshot", ""},
        {"--screenshot-dialog", "options"},
        {"--screenshot", "x.png", "--screenshot-dialog", "help"},
        {"stray"},
    };
    for (const QStringList& arguments : wrong) {
        error.clear();
        EXPECT_FALSE(parseCommandLine(QStringList{QStringLiteral("scorvane")} + arguments, error))
            << arguments.join(u' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
