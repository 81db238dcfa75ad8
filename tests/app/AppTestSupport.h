#pragma once

#include "Input.h"
#include "app/MessageBox.h"

#include <QApplication>
#include <functional>
#include <gtest/gtest.h>

// Answers every message box in place of the user, with the answers queued or else Ok (Cancel
// for a question), and keeps what the boxes said.
class MessageLog {
public:
    MessageLog() {
        MessageBox::setResponder([this](const MessageBox::Message& message) {
            m_shown.append(message);
            if (onShown)
                onShown();
            if (!m_answers.isEmpty())
                return m_answers.takeFirst();
            return message.buttons == MessageBox::Buttons::Ok ? MessageBox::Answer::Ok
                                                              : MessageBox::Answer::Cancel;
        });
    }
    ~MessageLog() { MessageBox::setResponder({}); }

    void answerNext(MessageBox::Answer answer) { m_answers.append(answer); }
    QList<MessageBox::Message> take() { return std::exchange(m_shown, {}); }
    QStringList takeTexts() {
        QStringList texts;
        for (const MessageBox::Message& message : take())
            texts.append(message.text);
        return texts;
    }
    // Called as each box shows, so that a test can look at the window then.
    std::function<void()> onShown;

private:
    QList<MessageBox::Answer> m_answers;
    QList<MessageBox::Message> m_shown;
};
