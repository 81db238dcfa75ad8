#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>

// A link's usual look: font underlined.
QFont LinkFont(QFont font);

// A label that draws its caption in a chosen font and colour, takes exactly the size of that
// text, shows a hand cursor, and opens its target when clicked (or activated with Enter or
// Space when it has the keyboard focus). Without a colour of its own it takes the palette's:
// the link colour for a link, the text colour otherwise.
class CHyperLink : public QWidget {
    Q_OBJECT
public:
    explicit CHyperLink(const QString& caption = QString(), QWidget* parent = nullptr);

    void SetLinkFont(const QString& faceName, int height, bool bold, bool italic, bool underline);
    void SetLogFont(const QFont& font);
    void SetTextColor(const QColor& color);
    void SetCentering(bool horizontal, bool vertical);
    // Makes the label a link: an empty url opens the caption itself.
    void SetUrl(const QString& url);
    void SetLinkCursor(bool handCursor);
    void SetText(const QString& caption);

    QString GetText() const { return caption; }
    // What a click opens: "" for a label that is no link, else the url or the caption.
    QString GetTarget() const;
    void OpenTarget();
    // Sizes the label to its caption; centres it in its parent where asked.
    void FitToText();
    void Redraw() { update(); }

    // Called on a click when the label is no link.
    std::function<void(CHyperLink&)> onClick;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Activate();

    QString caption;
    QFont logFont;
    QColor textColor; // none: the palette's
    bool centerHorizontally = false;
    bool centerVertically = false;
    bool isLink = false;
    QString url;
};
