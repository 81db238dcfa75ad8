// The Options dialog from the keyboard and its refusals, and the program's command line.
#include "AppTestSupport.h"
#include "TestImage.h"
#include "UnwritableProfile.h"
#include "app/AboutDialog.h"
#include "app/CommandLine.h"
#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

template <typename T = QLineEdit> T* child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QLatin1String(name));
}

QPushButton* button(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    return dialog->findChild<QDialogButtonBox*>()->button(which);
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
    // Clicks Ok: what the boxes said, and where the focus is if the dialog stays open.
    QString clickOk(QDialog& dialog) {
        button(&dialog, QDialogButtonBox::Ok)->click();
        QStringList said = m_messages.takeTexts();
        said.append(dialog.isVisible() ? dialog.focusWidget()->objectName() : "closed");
        return said.join(u'|');
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
        input::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        order.append(dialog.focusWidget());
    }
    EXPECT_EQ(order,
              (QList<QWidget*>{islandsEmail, password, child<QCheckBox>(&dialog, "showPassword"),
                               button(&dialog, QDialogButtonBox::Ok),
                               button(&dialog, QDialogButtonBox::Cancel), email,
                               child<QLabel>(&dialog, "registerLink"), islandsEmail}));
    // The password shows only when asked for; each field's label has its mnemonic.
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    input::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(input::waitFor([&] { return password->echoMode() == QLineEdit::Normal; }));
    for (const auto& [key, field] :
         {std::pair{Qt::Key_E, email}, {Qt::Key_M, islandsEmail}, {Qt::Key_P, password}}) {
        input::keyClick(&dialog, key, Qt::AltModifier);
        EXPECT_EQ(dialog.focusWidget(), field) << field->objectName().toStdString();
    }
    // Escape cancels what was typed. (Return saves: see the window's publish.)
    input::keyClick(password, Qt::Key_unknown, {}, QStringLiteral("zz"));
    input::keyClick(password, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(stored(), m_stored);
}

TEST_F(OptionsDialogTest, OkStaysOpenOnAnInvalidAddressOrAProfileThatCannotBeSaved) {
    const QString invalid = QString::fromLatin1(kInvalidEmailText);
    for (const auto& [email, islandsEmail, said] :
         {std::tuple{"@ab", "fine@x", invalid + "|email"},
          {" a@b ", "nobody", invalid + "|islandsEmail"}}) {
        OptionsDialog dialog(m_settings, m_profile);
        dialog.show();
        child(&dialog, "email")->setText(QString::fromLatin1(email));
        child(&dialog, "islandsEmail")->setText(QString::fromLatin1(islandsEmail));
        EXPECT_EQ(clickOk(dialog), said);
        EXPECT_EQ(stored(), m_stored);
    }

    OptionsDialog dialog(m_settings, m_profile, Site::Community);
    dialog.show();
    child(&dialog, "email")->setText(QStringLiteral("new@ludora.example"));
    if (UnwritableProfile::kPossible) {
        const UnwritableProfile unwritable;
        EXPECT_EQ(clickOk(dialog), UserProfile::notSavedText() + "|email");
    }
    EXPECT_EQ(m_settings, m_stored) << "memory keeps what the profile holds";
    EXPECT_EQ(clickOk(dialog), "closed");
    EXPECT_EQ(stored().community.email, QStringLiteral("new@ludora.example"));
}

// In a dark colour scheme too, the link has the palette's link colour.
TEST(AboutBox, ShowsTheVersionAndTheLinkInThePalettesColourAndClosesWithEscape) {
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(0x20, 0x21, 0x24));
    dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    QApplication::setPalette(dark);
    AboutDialog about;
    about.show();
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("version"))->text(), "Version 2.0 (29)");
    const QImage link = about.findChild<QLabel*>(QStringLiteral("link"))->grab().toImage();
    bool linkColoured = false;
    for (int y = 0; y < link.height(); ++y)
        for (int x = 0; x < link.width(); ++x)
            linkColoured |= link.pixelColor(x, y) == dark.color(QPalette::Link);
    EXPECT_TRUE(linkColoured);
    input::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
    QApplication::setPalette(saved);
}

TEST(CommandLine, TakesAnImageFolderAndRefusesWhatCannotWork) {
    TestImage image;
    QString error;
    const auto options = parseCommandLine({QStringLiteral("scorvane"), QStringLiteral("--device"),
                                           QDir::current().relativeFilePath(image.Root())},
                                          error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->deviceFolder, QDir(image.Root()).absolutePath());
    for (const auto& [wrong, says] : std::initializer_list<std::pair<QStringList, QString>>{
             {{"--device"}, "--device"},
             {{"--device", image.HostPath({})}, "Not a device image"}, // files/, not the image
             {{"--screenshot-dialog", "options"}, "needs --screenshot"},
             {{"--screenshot", "x.png", "--screenshot-dialog", "help"}, "takes \"options\""},
             {{"stray"}, "Unexpected argument: stray"}}) {
        error.clear();
        EXPECT_FALSE(parseCommandLine(QStringList{QStringLiteral("scorvane")} + wrong, error));
        EXPECT_TRUE(error.contains(says)) << error.toStdString();
    }
}

} // namespace
