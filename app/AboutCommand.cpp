// The About command. A plain box names the program and its version until the About dialog
// with the licence text exists.
#include "app/ScorvaneApp.h"

#include <QMessageBox>

void ShowAboutBox(QWidget* parent) {
    QMessageBox::about(parent, QStringLiteral("About Scorvane"),
                       QStringLiteral("<b>Scorvane</b> version %1<br>Copyright \u00a9 Zelkora")
                           .arg(QStringLiteral(SCORVANE_VERSION)));
}
