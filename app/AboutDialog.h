#pragma once

#include <QDialog>

// The About box: the program's icon, name and version with build number, the licence
// agreement, the maker's legal notice and web address.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
