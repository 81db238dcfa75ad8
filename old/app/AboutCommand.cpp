// The About command: the About box with the licence agreement.
#include "app/MainFrame.h"
#include "ui/AboutDlg.h"

void ShowAboutBox(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}
