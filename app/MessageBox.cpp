#include "app/MessageBox.h"

#include "profile/Profile.h"

#include <QMessageBox>

namespace {

MessageBox::Responder& responder() {
    static MessageBox::Responder instance;
    return instance;
}

} // namespace

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& text, Buttons buttons,
                                    Icon icon) {
    if (const Responder& answer = responder())
        return answer({text, buttons, icon});

    QMessageBox box(parent);
    box.setWindowTitle(QString::fromLatin1(kApplicationName));
    box.setText(text);
    box.setIcon(icon == Icon::Information ? QMessageBox::Information
                : icon == Icon::Critical  ? QMessageBox::Critical
                                          : QMessageBox::NoIcon);
    if (buttons == Buttons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

void MessageBox::setResponder(Responder value) {
    responder() = std::move(value);
}
