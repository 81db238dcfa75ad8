#pragma once

#include "ui/EmailRule.h"

#include <QDialog>
#include <string>

class CHyperLink;
class CSettings;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The account data for publishing: the community site's e-mail address, and the islands
// site's e-mail address and password, with a link to the islands site's registration page.
// Opening reloads the settings from the profile; OK checks both addresses, then stores all
// three fields in the settings and the profile. When the profile cannot be saved, a message
// says so and the dialog stays open. Cancel saves nothing.
class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    // settings must outlive the dialog. The keyboard focus starts in the islands e-mail field,
    // or in the community one when that is the address asked for.
    explicit COptionsDlg(CSettings& settings, QWidget* parent = nullptr,
                         AccountField asked = AccountField::None);

    // The fields, as last transferred from the controls (the addresses trimmed once OK was
    // pressed).
    std::string email;
    std::string islandsEmail;
    std::string islandsPassword;

    QLineEdit* EmailEdit() const { return emailEdit; }
    QLineEdit* IslandsEmailEdit() const { return islandsEmailEdit; }
    QLineEdit* IslandsPasswordEdit() const { return islandsPasswordEdit; }
    QCheckBox* ShowPasswordBox() const { return showPassword; }
    CHyperLink* RegisterLink() const { return registerLink; }
    QPushButton* OkButton() const { return okButton; }
    QPushButton* CancelButton() const { return cancelButton; }

public Q_SLOTS:
    void accept() override;

private:
    void UpdateData(bool fromControls);

    CSettings& settings;
    CHyperLink* registerLink = nullptr;
    QLineEdit* emailEdit = nullptr;
    QLineEdit* islandsEmailEdit = nullptr;
    QLineEdit* islandsPasswordEdit = nullptr;
    QCheckBox* showPassword = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

// Runs the Options dialog modally on settings; true exactly when the user ended it with OK.
// asked names the address the user was just asked to enter, if any.
bool RunOptionsDialog(QWidget* parent, CSettings& settings,
                      AccountField asked = AccountField::None);
