#include "ui/AboutDlg.h"

#include "ui/HyperLink.h"
#include "ui/SiteAddresses.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

namespace {
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 0;
constexpr int kVersionBuild = 29;
constexpr const char* kLegalNotice = "Copyright \u00A9 2003-2026 Zelkora. All rights reserved.";
} // namespace

QString CAboutDlg::LoadLicenceText() {
    QFile file(QStringLiteral(":/text/EULA.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    return QString::fromLocal8Bit(bytes.constData(), bytes.size());
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Scorvane"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The program's icon, as the main window shows it.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("appIcon"));
    const QIcon appIcon = QApplication::windowIcon();
    icon->setPixmap(appIcon.isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32)
                                     : appIcon.pixmap(32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("Scorvane"), this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    name->setFont(nameFont);

    version = new QLabel(QStringLiteral("Version %1.%2 (%3)")
                             .arg(kVersionMajor)
                             .arg(kVersionMinor)
                             .arg(kVersionBuild),
                         this);
    version->setTextFormat(Qt::PlainText);

    eula = new QPlainTextEdit(this);
    eula->setReadOnly(true);
    eula->setPlainText(LoadLicenceText());
    eula->setTabChangesFocus(true);
    eula->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    eula->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    eula->setMinimumSize(330, 140);
    eula->setAccessibleName(QStringLiteral("Licence agreement"));

    auto* notice = new QLabel(QString::fromUtf8(kLegalNotice), this);

    link = new CHyperLink(QString::fromLatin1(kMakerHost), this);
    link->SetLogFont(LinkFont(font()));
    link->SetCentering(false, false);
    link->SetUrl(QString());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 3, 1);
    layout->addWidget(name, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(eula, 2, 1);
    layout->addWidget(notice, 3, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(link);
    bottom->addStretch();
    bottom->addWidget(buttons);
    layout->addLayout(bottom, 4, 1);

    setTabOrder(ok, eula);
    setTabOrder(eula, link);
    ok->setFocus();
}

QString CAboutDlg::VersionText() const {
    return version->text();
}

QString CAboutDlg::LicenceText() const {
    return eula->toPlainText();
}
