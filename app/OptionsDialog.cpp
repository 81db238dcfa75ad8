#include "app/OptionsDialog.h"

#include "app/LinkLabel.h"
#include "app/MessageBox.h"
#include "app/WebPages.h"
#include "profile/Profile.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* makeEdit(QWidget* parent, const QString& name, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(240);
    return edit;
}

QLabel* makeLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

OptionsDialog::OptionsDialog(Settings& settings, ProfileStore& profile, Site focus, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_profile(profile) {
    setWindowTitle(QStringLiteral("Options"));
    // What the profile holds now; unsaved changes in memory are dropped.
    settings.load(profile);

    // The community site.
    auto* ludora = new QGroupBox(QStringLiteral("Ludora"), this);
    m_email = makeEdit(ludora, QStringLiteral("email"), settings.community.email);
    auto* ludoraLayout = new QVBoxLayout(ludora);
    ludoraLayout->addWidget(makeLabel(QStringLiteral("&E-mail"), m_email, ludora));
    ludoraLayout->addWidget(m_email);

    // The islands site, with its registration page.
    auto* skyholm = new QGroupBox(QStringLiteral("Zelk Skyholm"), this);
    auto* registerLink = new LinkLabel(QStringLiteral("Register at ") + QLatin1String(kIslandsHost),
                                       islandsRegistrationPage(), skyholm);
    registerLink->setObjectName(QStringLiteral("registerLink"));
    m_islandsEmail = makeEdit(skyholm, QStringLiteral("islandsEmail"), settings.islands.email);
    m_islandsPassword =
        makeEdit(skyholm, QStringLiteral("islandsPassword"), settings.islands.password);
    // Masked like every password field, so that it does not show on a shared screen or in a
    // screenshot; the box beside it shows it for checking what was typed.
    m_islandsPassword->setEchoMode(QLineEdit::Password);
    auto* showPassword = new QCheckBox(QStringLiteral("&Show"), skyholm);
    showPassword->setObjectName(QStringLiteral("showPassword"));
    connect(showPassword, &QCheckBox::toggled, this, [this](bool on) {
        m_islandsPassword->setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password);
    });
    auto* skyholmLayout = new QGridLayout(skyholm);
    skyholmLayout->addWidget(registerLink, 0, 0, 1, 2, Qt::AlignLeft);
    skyholmLayout->addWidget(makeLabel(QStringLiteral("E-&mail"), m_islandsEmail, skyholm), 1, 0, 1,
                             2);
    skyholmLayout->addWidget(m_islandsEmail, 2, 0, 1, 2);
    skyholmLayout->addWidget(makeLabel(QStringLiteral("&Password"), m_islandsPassword, skyholm), 3,
                             0, 1, 2);
    skyholmLayout->addWidget(m_islandsPassword, 4, 0);
    skyholmLayout->addWidget(showPassword, 4, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setCenterButtons(true);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ludora);
    layout->addWidget(skyholm);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab order, a cycle that runs down the dialog; the islands account comes first, since
    // that is what a missing islands address asks for.
    const QList<QWidget*> order = {m_islandsEmail,
                                   m_islandsPassword,
                                   showPassword,
                                   ok,
                                   buttons->button(QDialogButtonBox::Cancel),
                                   m_email,
                                   registerLink};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    (focus == Site::Community ? m_email : m_islandsEmail)->setFocus();
}

void OptionsDialog::accept() {
    // The controls keep what was typed; the addresses are trimmed for the check and the save.
    const QString email = trimmedText(m_email->text());
    const QString islandsEmail = trimmedText(m_islandsEmail->text());
    for (auto [address, edit] : {std::pair{email, m_email}, {islandsEmail, m_islandsEmail}}) {
        if (!isValidEmailAddress(address)) {
            MessageBox::show(this, QString::fromLatin1(kInvalidEmailText));
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    const Settings before = m_settings;
    m_settings.community.email = email;
    m_settings.islands.email = islandsEmail;
    m_settings.islands.password = m_islandsPassword->text();
    if (!m_settings.saveAccount(m_profile)) {
        m_settings = before; // as after Cancel, should the user give up
        MessageBox::show(this, UserProfile::notSavedText());
        return;
    }
    QDialog::accept();
}

bool runOptionsDialog(QWidget* parent, Settings& settings, ProfileStore& profile, Site focus) {
    OptionsDialog dialog(settings, profile, focus, parent);
    return dialog.exec() == QDialog::Accepted;
}
