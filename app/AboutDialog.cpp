#include "app/AboutDialog.h"

#include "Version.h"
#include "app/LinkLabel.h"
#include "app/WebPages.h"
#include "profile/Profile.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

namespace {

// The licence agreement as the resources hold it, in the system's 8-bit code page; empty when
// it is missing.
QString licenceText() {
    QFile file(QStringLiteral(":/res/text/EULA.txt"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About %1").arg(QLatin1String(kApplicationName)));

    // The program's icon, as the main window shows it.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("appIcon"));
    const QIcon windowIcon = QApplication::windowIcon();
    icon->setPixmap(windowIcon.isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32)
                                        : windowIcon.pixmap(32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* name = new QLabel(QString::fromLatin1(kApplicationName), this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    name->setFont(nameFont);

    auto* version = new QLabel(QStringLiteral("Version %1.%2 (%3)")
                                   .arg(kVersionMajor)
                                   .arg(kVersionMinor)
                                   .arg(kVersionBuild),
                               this);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);

    auto* licence = new QPlainTextEdit(licenceText(), this);
    licence->setObjectName(QStringLiteral("licence"));
    licence->setReadOnly(true);
    licence->setTabChangesFocus(true);
    licence->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    licence->setMinimumSize(330, 140);
    licence->setAccessibleName(QStringLiteral("Licence agreement"));

    auto* notice = new QLabel(QStringLiteral("Copyright \u00A9 2003-2026 %1. All rights reserved.")
                                  .arg(QLatin1String(kOrganisationName)),
                              this);

    auto* link = new LinkLabel(QLatin1String(kMakerHost), webPage(kMakerHost, ""), this);
    link->setObjectName(QStringLiteral("link"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 3, 1);
    layout->addWidget(name, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(licence, 2, 1);
    layout->addWidget(notice, 3, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(link);
    bottom->addStretch();
    bottom->addWidget(buttons);
    layout->addLayout(bottom, 4, 1);

    setTabOrder(ok, licence);
    setTabOrder(licence, link);
    ok->setFocus();
}
