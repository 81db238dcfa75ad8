#pragma once

// Every message box of the desktop program goes through here: modal over its parent and
// captioned with the program's name.
//
// A responder, when one is set, answers the boxes instead of the user and no box is shown:
// the --screenshot run prints them, and tests answer them.

#include <QString>
#include <functional>

class QWidget;

class MessageBox {
public:
    enum class Buttons { Ok, YesNoCancel };
    enum class Icon { None, Information, Critical };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Message {
        QString text;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;

        bool operator==(const Message&) const = default;
    };
    using Responder = std::function<Answer(const Message& message)>;

    static Answer show(QWidget* parent, const QString& text, Buttons buttons = Buttons::Ok,
                       Icon icon = Icon::None);
    // Replaces the user for every box from now on; an empty responder gives the boxes back to
    // the user.
    static void setResponder(Responder responder);
};
