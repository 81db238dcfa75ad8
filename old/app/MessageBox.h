#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;

// Every message box the desktop program shows goes through here: it is captioned with the
// program's display name and is modal. Tests switch on recording, so that nothing is shown,
// every text is kept, and the answers come from a queue.
class MessageBox {
public:
    enum Buttons { Ok, YesNoCancel };
    enum Icon { NoIcon, Information, Hand };
    enum Answer { AnswerOk, AnswerCancel, AnswerYes, AnswerNo };

    struct Shown {
        QString text;
        Buttons buttons = Ok;
        Icon icon = NoIcon;
    };

    static Answer Show(QWidget* parent, const QString& text, Buttons buttons = Ok,
                       Icon icon = NoIcon);
    // The program's 8-bit text.
    static Answer Show(QWidget* parent, const std::string& text, Buttons buttons = Ok,
                       Icon icon = NoIcon);

    // Recording: no box appears; Show records the text and returns the next queued answer,
    // or the first button's answer when the queue is empty.
    static void SetRecording(bool on);
    static bool IsRecording();
    static void setNextAnswer(Answer answer);
    // The boxes shown since the last call, oldest first.
    static std::vector<Shown> TakeShown();
    static std::vector<QString> TakeShownTexts();
    // Called with each recorded text as it is shown, so a test can look at the program then.
    static void SetObserver(std::function<void(const QString& text)> observer);

private:
    static bool recording;
    static std::deque<Answer> answers;
    static std::vector<Shown> shown;
    static std::function<void(const QString&)> observer;
};
