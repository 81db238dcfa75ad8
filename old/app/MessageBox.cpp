#include "app/MessageBox.h"

#include "app/ScorvaneApp.h"
#include "device/TextCodec.h"

#include <QMessageBox>

bool MessageBox::recording = false;
std::deque<MessageBox::Answer> MessageBox::answers;
std::vector<MessageBox::Shown> MessageBox::shown;
std::function<void(const QString&)> MessageBox::observer;

MessageBox::Answer MessageBox::Show(QWidget* parent, const std::string& text, Buttons buttons,
                                    Icon icon) {
    return Show(parent, QStringFromNarrow(text), buttons, icon);
}

MessageBox::Answer MessageBox::Show(QWidget* parent, const QString& text, Buttons buttons,
                                    Icon icon) {
    if (recording) {
        shown.push_back({text, buttons, icon});
        if (observer)
            observer(text);
        if (!answers.empty()) {
            const Answer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == YesNoCancel ? AnswerYes : AnswerOk;
    }

    QMessageBox box(parent);
    box.setWindowTitle(QString::fromLatin1(kDisplayName));
    box.setText(text);
    box.setIcon(icon == Information ? QMessageBox::Information
                : icon == Hand      ? QMessageBox::Critical
                                    : QMessageBox::NoIcon);
    if (buttons == YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return AnswerYes;
    case QMessageBox::No:
        return AnswerNo;
    case QMessageBox::Cancel:
        return AnswerCancel;
    default:
        return AnswerOk;
    }
}

void MessageBox::SetRecording(bool on) {
    recording = on;
    answers.clear();
    shown.clear();
    observer = nullptr;
}

bool MessageBox::IsRecording() {
    return recording;
}

void MessageBox::setNextAnswer(Answer answer) {
    answers.push_back(answer);
}

std::vector<MessageBox::Shown> MessageBox::TakeShown() {
    std::vector<Shown> result;
    result.swap(shown);
    return result;
}

std::vector<QString> MessageBox::TakeShownTexts() {
    std::vector<QString> texts;
    for (const Shown& box : TakeShown())
        texts.push_back(box.text);
    return texts;
}

void MessageBox::SetObserver(std::function<void(const QString&)> value) {
    observer = std::move(value);
}
