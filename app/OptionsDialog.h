#pragma once

#include "profile/Settings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// The account data for publishing: the community site's e-mail address, and the islands
// site's e-mail address and password, with a link to the islands site's registration page.
// Opening reloads the settings from the profile; OK checks both addresses, then stores the
// three fields in the settings and the profile. When the profile cannot be saved, a message
// says so and the dialog stays open. Cancel saves nothing.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // settings and profile must outlive the dialog. The keyboard focus starts in the e-mail
    // field of the site asked for.
    OptionsDialog(Settings& settings, ProfileStore& profile, Site focus = Site::Islands,
                  QWidget* parent = nullptr);

public Q_SLOTS:
    void accept() override;

private:
    Settings& m_settings;
    ProfileStore& m_profile;
    QLineEdit* m_email = nullptr;
    QLineEdit* m_islandsEmail = nullptr;
    QLineEdit* m_islandsPassword = nullptr;
};

// Runs the Options dialog modally over parent; true exactly when it ended with OK.
bool runOptionsDialog(QWidget* parent, Settings& settings, ProfileStore& profile,
                      Site focus = Site::Islands);
