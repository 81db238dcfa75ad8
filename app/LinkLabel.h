#pragma once

#include <QLabel>

// A web link in a dialog: the text in the palette's link colour, underlined, that opens the
// target in the browser when clicked. It is one stop of the Tab chain, and arriving there
// selects the link, so that Return or Space follows it at once.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, const QString& target, QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
};
