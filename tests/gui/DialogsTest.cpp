// The Options dialog (the e-mail rule and where the focus goes, saving only on OK, keyboard
// use), the About box, and the link label both of them use.
#include "GuiTestSupport.h"
#include "UnwritableProfile.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "ui/AboutDlg.h"
#include "ui/EmailRule.h"
#include "ui/HyperLink.h"
#include "ui/OptionsDlg.h"
#include "ui/Settings.h"
#include "ui/SiteAddresses.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::SetRecording(true);
        QSettings().clear();
        stored.community.SetScriptUrl("http://ludora.example/hs/upload.php");
        stored.community.SetEmail("old@ludora.example");
        stored.islands.SetEmail("old@sky.example");
        stored.islands.SetPassword("s3cret pw");
        ASSERT_TRUE(stored.Save());
    }
    void TearDown() override { QSettings().clear(); }

    static CSettings Stored() {
        CSettings settings;
        settings.Load();
        return settings;
    }

    CSettings stored;
    CSettings settings; // what the program holds in memory
};

TEST_F(OptionsDialogTest, OpensWithTheProfileAndTheIslandsAddressFocused) {
    settings.community.SetEmail("unsaved@example"); // dropped: the dialog reloads
    COptionsDlg dialog(settings);
    dialog.show();
    EXPECT_EQ(dialog.EmailEdit()->text(), "old@ludora.example");
    EXPECT_EQ(dialog.IslandsEmailEdit()->text(), "old@sky.example");
    EXPECT_EQ(dialog.IslandsPasswordEdit()->text(), "s3cret pw");
    EXPECT_EQ(settings, stored);
    EXPECT_EQ(dialog.focusWidget(), dialog.IslandsEmailEdit());

    // The password is masked until the user asks to see it.
    EXPECT_EQ(dialog.IslandsPasswordEdit()->echoMode(), QLineEdit::Password);
    dialog.ShowPasswordBox()->click();
    EXPECT_EQ(dialog.IslandsPasswordEdit()->echoMode(), QLineEdit::Normal);

    EXPECT_EQ(dialog.RegisterLink()->GetText(),
              QStringLiteral("Register at ") + QLatin1String(kIslandsHost));
    EXPECT_EQ(dialog.RegisterLink()->GetTarget(), QStringLiteral("http://") +
                                                      QLatin1String(kIslandsHost) +
                                                      QStringLiteral("/scorvane.php"));
}

TEST_F(OptionsDialogTest, OkTrimsChecksAndSavesAllThreeFields) {
    COptionsDlg dialog(settings);
    dialog.show();
    dialog.EmailEdit()->setText(QStringLiteral("  a@b \t"));
    dialog.IslandsEmailEdit()->setText(QStringLiteral("x@y@"));
    dialog.IslandsPasswordEdit()->setText(QStringLiteral(" new pw "));
    dialog.OkButton()->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(MessageBox::TakeShown().empty());
    EXPECT_EQ(dialog.email, "a@b");
    EXPECT_EQ(dialog.EmailEdit()->text(), "  a@b \t") << "the control keeps what was typed";
    const CSettings saved = Stored();
    EXPECT_EQ(saved.community.email, "a@b");
    EXPECT_EQ(saved.islands.email, "x@y@") << "only the first @ counts";
    EXPECT_EQ(saved.islands.password, " new pw ") << "a password is kept as typed";
    EXPECT_EQ(settings, saved);
}

TEST_F(OptionsDialogTest, AProfileThatCannotBeSavedIsReportedAndTheDialogStaysOpen) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the profile is in the registry there, which a test cannot make unwritable";
#endif
    COptionsDlg dialog(settings);
    dialog.show();
    dialog.EmailEdit()->setText(QStringLiteral("new@ludora.example"));
    {
        const UnwritableProfile unwritable;
        dialog.OkButton()->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{ProfileNotSavedText()});
    }
    EXPECT_EQ(settings, stored) << "memory keeps what the profile holds";
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Stored().community.email, "new@ludora.example");
}

TEST_F(OptionsDialogTest, AnInvalidAddressKeepsTheDialogOpenAndFocusesIt) {
    struct Case {
        QString email, islandsEmail;
        bool communityFails;
    };
    for (const Case& c : {Case{QStringLiteral("@ab"), QStringLiteral("fine@x"), true},
                          Case{QStringLiteral("ab@"), QStringLiteral("@"), true},
                          Case{QStringLiteral(" a@b "), QStringLiteral("nobody"), false},
                          Case{QString(), QStringLiteral("@"), false}}) {
        SCOPED_TRACE(c.email.toStdString() + " / " + c.islandsEmail.toStdString());
        COptionsDlg dialog(settings);
        dialog.show();
        dialog.EmailEdit()->setText(c.email);
        dialog.IslandsEmailEdit()->setText(c.islandsEmail);
        dialog.OkButton()->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(MessageBox::TakeShownTexts(),
                  std::vector<QString>{QString::fromLatin1(kInvalidEmailText)});
        EXPECT_EQ(dialog.focusWidget(),
                  c.communityFails ? dialog.EmailEdit() : dialog.IslandsEmailEdit());
        EXPECT_EQ(Stored(), stored);
        dialog.reject();
    }
}

TEST_F(OptionsDialogTest, CancelLeavesTheProfileAndTheNextOpeningShowsItAgain) {
    CScorvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    QAction* options = app.MainFrame()->Actions().options;
    WhenShown<COptionsDlg>([](COptionsDlg* dialog) {
        dialog->EmailEdit()->setText(QStringLiteral("typed@example"));
        dialog->IslandsPasswordEdit()->clear();
        dialog->CancelButton()->click();
    });
    options->trigger();
    EXPECT_EQ(Stored(), stored);

    QString shown;
    WhenShown<COptionsDlg>([&](COptionsDlg* dialog) {
        shown = dialog->EmailEdit()->text();
        dialog->reject();
    });
    options->trigger();
    EXPECT_EQ(shown, "old@ludora.example");
}

TEST_F(OptionsDialogTest, WorksFromTheKeyboardAlone) {
    COptionsDlg dialog(settings);
    dialog.show();
    // Tab runs down the dialog and round again.
    std::vector<QWidget*> order{dialog.focusWidget()};
    for (int i = 0; i < 7; ++i) {
        PressKey(&dialog, Qt::Key_Tab);
        order.push_back(dialog.focusWidget());
    }
    EXPECT_EQ(order, (std::vector<QWidget*>{dialog.IslandsEmailEdit(), dialog.IslandsPasswordEdit(),
                                            dialog.ShowPasswordBox(), dialog.OkButton(),
                                            dialog.CancelButton(), dialog.EmailEdit(),
                                            dialog.RegisterLink(), dialog.IslandsEmailEdit()}));
    PressKey(&dialog, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(dialog.focusWidget(), dialog.RegisterLink());

    // Space on the link opens the registration page.
    UrlCatcher urls;
    PressKey(&dialog, Qt::Key_Space);
    EXPECT_EQ(urls.opened, QStringList{dialog.RegisterLink()->GetTarget()});

    // Type a new islands address and press Enter: the default button saves.
    PressKey(&dialog, Qt::Key_Tab);
    dialog.IslandsEmailEdit()->selectAll();
    TypeText(&dialog, QStringLiteral("kb@sky.example"));
    PressKey(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Stored().islands.email, "kb@sky.example");

    // Escape cancels.
    COptionsDlg again(settings);
    again.show();
    TypeText(&again, QStringLiteral("zz"));
    PressKey(&again, Qt::Key_Escape);
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(Stored().islands.email, "kb@sky.example");
}

// --- The About box and the link label ---------------------------------------------------

TEST(AboutBox, ShowsTheVersionLineTheIconAndTheWholeLicence) {
    QFile file(QStringLiteral(SCORVANE_EULA_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.count('\n'), 10);

    CScorvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    bool seen = false;
    WhenShown<CAboutDlg>([&](CAboutDlg* dialog) {
        seen = true;
        EXPECT_EQ(dialog->windowTitle(), "About Scorvane");
        EXPECT_EQ(dialog->VersionText(), "Version 2.0 (29)");
        EXPECT_EQ(dialog->LicenceText(), QString::fromLocal8Bit(bytes));
        const auto* icon = dialog->findChild<QLabel*>(QStringLiteral("appIcon"));
        EXPECT_NE(icon, nullptr);
        if (icon) {
            EXPECT_FALSE(QApplication::windowIcon().isNull());
            EXPECT_EQ(icon->pixmap().toImage(), QApplication::windowIcon().pixmap(32).toImage());
        }
        PressKey(dialog, Qt::Key_Escape);
    });
    app.MainFrame()->Actions().about->trigger();
    EXPECT_TRUE(seen);
}

// True when some pixel of the widget has exactly that colour.
bool Shows(QWidget* widget, const QColor& colour, QRect area = QRect(0, 0, -1, -1)) {
    const QImage shot = widget->grab(area).toImage();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) == colour)
                return true;
    return false;
}

TEST(DarkColourScheme, DialogsLinksAndTheWelcomePictureFollowThePaletteAndFont) {
    const QPalette saved = QApplication::palette();
    const QFont savedFont = QApplication::font();
    QFont large = savedFont;
    large.setPointSize(14); // the links once kept a smaller font of their own
    QApplication::setFont(large);
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(0x20, 0x21, 0x24));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xea, 0xed));
    dark.setColor(QPalette::Base, QColor(0x17, 0x18, 0x1a));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xea, 0xed));
    dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    QApplication::setPalette(dark);

    CAboutDlg about;
    about.show();
    EXPECT_EQ(about.grab().toImage().pixelColor(2, 2), dark.color(QPalette::Window));
    CSettings settings;
    COptionsDlg options(settings);
    options.show();
    for (CHyperLink* link : {about.Link(), options.RegisterLink()}) {
        EXPECT_TRUE(Shows(link, dark.color(QPalette::Link))) << link->GetText().toStdString();
        EXPECT_EQ(link->sizeHint().height(), link->window()->fontMetrics().height())
            << "the dialog's size";
    }

    CScorvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    CScoreView* view = app.MainFrame()->View();
    view->resize(800, 500);
    const QRect picture = view->PictureRect();
    EXPECT_EQ(
        view->grab(QRect(picture.topLeft() - QPoint(8, 8), QSize(4, 4))).toImage().pixelColor(1, 1),
        dark.color(QPalette::Base))
        << "the margin";
    EXPECT_EQ(view->grab(QRect(picture.topRight() - QPoint(8, -4), QSize(4, 4)))
                  .toImage()
                  .pixelColor(1, 1),
              dark.color(QPalette::Base))
        << "the picture's page";
    EXPECT_TRUE(Shows(view, dark.color(QPalette::Link), view->HotSpotRect()));
    QApplication::setPalette(saved);
    QApplication::setFont(savedFont);
}

TEST(HyperLink, TakesTheSizeOfItsCaptionAndStaysInPlace) {
    QWidget parent;
    parent.resize(100, 50);
    CHyperLink link(QStringLiteral("Fish && Chips of a rather long name"), &parent);
    link.move(7, 9);
    link.SetLinkFont(QStringLiteral("MS Sans Serif"), 12, false, false, true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(12);
    font.setUnderline(true);
    const QFontMetrics expected(font);
    EXPECT_EQ(link.geometry(), QRect(7, 9,
                                     expected.horizontalAdvance(
                                         QStringLiteral("Fish & Chips of a rather long name")),
                                     expected.height()));

    // Centred in a parent narrower than the caption: a negative left edge.
    link.SetCentering(true, true);
    EXPECT_EQ(link.x(), (100 - link.width()) / 2);
    EXPECT_LT(link.x(), 0);
    EXPECT_EQ(link.y(), (50 - link.height()) / 2);
}

TEST(HyperLink, OpensItsUrlItsCaptionOrNothing) {
    UrlCatcher urls;
    QWidget parent;
    CHyperLink plain(QStringLiteral("http://plain.example/"), &parent);
    Click(&plain, QPoint(1, 1));
    EXPECT_TRUE(urls.opened.isEmpty()) << "a label never given a url is no link";
    EXPECT_EQ(plain.GetTarget(), QString());

    CHyperLink caption(QStringLiteral("www.zelkora.example"), &parent);
    caption.SetUrl(QString());
    caption.FitToText();
    Click(&caption, QPoint(1, 1));
    CHyperLink target(QStringLiteral("Register"), &parent);
    target.SetUrl(QStringLiteral("http://sky.example/scorvane.php"));
    target.FitToText();
    Click(&target, QPoint(1, 1));
    EXPECT_EQ(urls.opened, (QStringList{QStringLiteral("http://www.zelkora.example"),
                                        QStringLiteral("http://sky.example/scorvane.php")}));
}

} // namespace
