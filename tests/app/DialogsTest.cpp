// The dialogs from the keyboard, the Options dialog's refusals, the tree's check boxes, and the
// program's command line.
#include "AppTestSupport.h"
#include "TestImage.h"
#include "UnwritableProfile.h"
#include "app/CommandLine.h"
#include "app/HighscoreTree.h"
#include "app/OptionsDialog.h"
#include "app/WebPages.h"
#include "download/HighscoreSource.h"
#include "profile/Profile.h"

#include "Input.h"
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
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
    template <typename T = QLineEdit> static T* child(QWidget* dialog, const char* name) {
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
    QLineEdit* email = child(&dialog, "email");
    QLineEdit* islandsEmail = child(&dialog, "islandsEmail");
    QLineEdit* password = child(&dialog, "islandsPassword");
    EXPECT_EQ(password->text(), QStringLiteral("pw")) << "the profile's values";
    // Tab runs down the dialog and round again.
    QList<QWidget*> order{dialog.focusWidget()};
    for (int i = 0; i < 7; ++i) {
        press(Qt::Key_Tab);
        order.append(dialog.focusWidget());
    }
    EXPECT_EQ(order,
              (QList<QWidget*>{islandsEmail, password, child<QCheckBox>(&dialog, "showPassword"),
                               button(&dialog, QDialogButtonBox::Ok),
                               button(&dialog, QDialogButtonBox::Cancel), email,
                               child<QLabel>(&dialog, "registerLink"), islandsEmail}));
    // Each field's label has its mnemonic; the password shows only when asked for.
    for (const auto& [key, field] :
         {std::pair{Qt::Key_E, email}, {Qt::Key_M, islandsEmail}, {Qt::Key_P, password}}) {
        input::keyClick(&dialog, key, Qt::AltModifier);
        EXPECT_EQ(dialog.focusWidget(), field) << field->objectName().toStdString();
    }
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    input::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(input::waitFor([&] { return password->echoMode() == QLineEdit::Normal; }));

    // Back to the link, which Return follows.
    islandsEmail->setFocus();
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    UrlCatcher urls;
    press(Qt::Key_Return);
    EXPECT_EQ(urls.opened, QStringList{islandsRegistrationPage()});

    // A new address and Return: the default button saves.
    press(Qt::Key_Tab);
    islandsEmail->selectAll();
    input::keyClicks(islandsEmail, QStringLiteral("kb@sky.example"));
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
    for (const auto& [email, islandsEmail, focused] :
         {std::tuple{"@ab", "fine@x", "email"}, {" a@b ", "nobody", "islandsEmail"}}) {
        OptionsDialog dialog(m_settings, m_profile);
        dialog.show();
        child(&dialog, "email")->setText(QString::fromLatin1(email));
        child(&dialog, "islandsEmail")->setText(QString::fromLatin1(islandsEmail));
        button(&dialog, QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog.isVisible()) << email;
        EXPECT_EQ(m_messages.takeTexts(), QStringList{QString::fromLatin1(kInvalidEmailText)});
        EXPECT_EQ(dialog.focusWidget(), child(&dialog, focused)) << email;
        EXPECT_EQ(stored(), m_stored);
    }

    OptionsDialog dialog(m_settings, m_profile, Site::Community);
    dialog.show();
    EXPECT_EQ(dialog.focusWidget(), child(&dialog, "email"));
    child(&dialog, "email")->setText(QStringLiteral("new@ludora.example"));
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

TEST(HighscoreTree, LabelsAndSpaceToggleEntriesAndTheSelectionFollows) {
    const auto source = [](const char* title, QList<HighscoreRecord> records) {
        return std::make_shared<TableSource>(QString::fromLatin1(title),
                                             HighscoreTable{1, 1, title, records}, QByteArray());
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
    EXPECT_EQ(options->deviceFolder, QDir(image.Root()).absolutePath());
    for (const QStringList& wrong : QList<QStringList>{
             {"--device"},
             {"--device", image.Root() + QStringLiteral("/files")}, // a folder, not an image
             {"--screenshot-dialog", "options"},
             {"--screenshot", "x.png", "--screenshot-dialog", "help"},
             {"stray"}}) {
        error.clear();
        EXPECT_FALSE(parseCommandLine(QStringList{QStringLiteral("scorvane")} + wrong, error))
            << wrong.join(u' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
