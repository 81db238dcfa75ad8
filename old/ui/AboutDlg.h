#pragma once

#include <QDialog>

class CHyperLink;
class QLabel;
class QPlainTextEdit;

// The About box: name, version with build number, the legal notice, the maker's web address
// and the full licence agreement.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QString VersionText() const;
    QString LicenceText() const;
    CHyperLink* Link() const { return link; }

    // The licence agreement as stored in the program's resources ("" when it is missing).
    static QString LoadLicenceText();

private:
    CHyperLink* link = nullptr;
    QPlainTextEdit* eula = nullptr;
    QLabel* version = nullptr;
};
