#include "ui/OptionsDlg.h"

#include "app/MessageBox.h"
#include "device/TextCodec.h"
#include "ui/EmailRule.h"
#include "ui/HyperLink.h"
#include "ui/Profile.h"
#include "ui/Settings.h"
#include "ui/SiteAddresses.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* MakeEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(240);
    return edit;
}

} // namespace

COptionsDlg::COptionsDlg(CSettings& settings, QWidget* parent, AccountField asked)
    : QDialog(parent), settings(settings) {
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The community site.
    auto* ludora = new QGroupBox(QStringLiteral("Ludora"), this);
    emailEdit = MakeEdit(ludora, QStringLiteral("email"));
    auto* emailLabel = new QLabel(QStringLiteral("&E-mail"), ludora);
    emailLabel->setBuddy(emailEdit);
    auto* ludoraLayout = new QVBoxLayout(ludora);
    ludoraLayout->addWidget(emailLabel);
    ludoraLayout->addWidget(emailEdit);

    // The islands site, with its registration page.
    auto* skyholm = new QGroupBox(QStringLiteral("Zelk Skyholm"), this);
    const QString host = QString::fromLatin1(kIslandsHost);
    registerLink = new CHyperLink(QStringLiteral("Register at ") + host, skyholm);
    registerLink->setObjectName(QStringLiteral("registerLink"));
    islandsEmailEdit = MakeEdit(skyholm, QStringLiteral("islandsEmail"));
    auto* islandsEmailLabel = new QLabel(QStringLiteral("E-&mail"), skyholm);
    islandsEmailLabel->setBuddy(islandsEmailEdit);
    islandsPasswordEdit = MakeEdit(skyholm, QStringLiteral("islandsPassword"));
    // Masked like every password field, so that it does not show on a shared screen or in a
    // screenshot; the box beside it shows it for checking what was typed.
    islandsPasswordEdit->setEchoMode(QLineEdit::Password);
    auto* passwordLabel = new QLabel(QStringLiteral("&Password"), skyholm);
    passwordLabel->setBuddy(islandsPasswordEdit);
    showPassword = new QCheckBox(QStringLiteral("&Show"), skyholm);
    showPassword->setObjectName(QStringLiteral("showPassword"));
    connect(showPassword, &QCheckBox::toggled, this, [this](bool on) {
        islandsPasswordEdit->setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password);
    });
    auto* skyholmLayout = new QGridLayout(skyholm);
    skyholmLayout->addWidget(registerLink, 0, 0, 1, 2, Qt::AlignLeft);
    skyholmLayout->addWidget(islandsEmailLabel, 1, 0, 1, 2);
    skyholmLayout->addWidget(islandsEmailEdit, 2, 0, 1, 2);
    skyholmLayout->addWidget(passwordLabel, 3, 0, 1, 2);
    skyholmLayout->addWidget(islandsPasswordEdit, 4, 0);
    skyholmLayout->addWidget(showPassword, 4, 1);

    auto* buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(QDialogButtonBox::Ok);
    cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    buttons->setCenterButtons(true);
    okButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ludora);
    layout->addWidget(skyholm);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The link's look (the dialog's font, underlined, in the palette's link colour); its
    // target is the registration page.
    registerLink->SetLogFont(LinkFont(font()));
    registerLink->SetCentering(false, false);
    registerLink->SetUrl(QStringLiteral("http://") + host + QStringLiteral("/scorvane.php"));

    // Tab order, a cycle that runs down the dialog; the islands account comes first, since
    // that is what a missing islands address asks for.
    setTabOrder(islandsEmailEdit, islandsPasswordEdit);
    setTabOrder(islandsPasswordEdit, showPassword);
    setTabOrder(showPassword, okButton);
    setTabOrder(okButton, cancelButton);
    setTabOrder(cancelButton, emailEdit);
    setTabOrder(emailEdit, registerLink);

    // What the profile holds now; unsaved changes in memory are dropped.
    settings.Load();
    email = settings.community.email;
    islandsEmail = settings.islands.email;
    islandsPassword = settings.islands.password;
    UpdateData(false);
    (asked == AccountField::CommunityEmail ? emailEdit : islandsEmailEdit)->setFocus();
}

void COptionsDlg::UpdateData(bool fromControls) {
    if (fromControls) {
        email = NarrowFromQString(emailEdit->text());
        islandsEmail = NarrowFromQString(islandsEmailEdit->text());
        islandsPassword = NarrowFromQString(islandsPasswordEdit->text());
    } else {
        emailEdit->setText(QStringFromNarrow(email));
        islandsEmailEdit->setText(QStringFromNarrow(islandsEmail));
        islandsPasswordEdit->setText(QStringFromNarrow(islandsPassword));
    }
}

void COptionsDlg::accept() {
    UpdateData(true);
    email = TrimWhitespace(email);
    islandsEmail = TrimWhitespace(islandsEmail);

    const CSettings before = settings;
    QLineEdit* invalid = nullptr;
    switch (ApplyAccountFields(settings, email, islandsEmail, islandsPassword)) {
    case AccountField::CommunityEmail:
        invalid = emailEdit;
        break;
    case AccountField::IslandsEmail:
        invalid = islandsEmailEdit;
        break;
    case AccountField::None:
        break;
    }
    if (invalid) {
        MessageBox::Show(this, QString::fromLatin1(kInvalidEmailText));
        invalid->setFocus();
        invalid->selectAll();
        return;
    }
    if (!settings.Save()) {
        settings = before; // as after Cancel, should the user give up
        MessageBox::Show(this, ProfileNotSavedText());
        return;
    }
    QDialog::accept();
}

bool RunOptionsDialog(QWidget* parent, CSettings& settings, AccountField asked) {
    COptionsDlg dialog(settings, parent, asked);
    return dialog.exec() == QDialog::Accepted;
}
