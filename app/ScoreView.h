#pragma once

#include "download/Collection.h"

#include <QCursor>
#include <QFrame>
#include <QPixmap>

class HighscoreTree;
class QAbstractButton;

// The main window's client area: the welcome picture until a download has found something,
// the highscore tree afterwards. The picture stays centred and follows the palette; its link
// (the hot spot) starts a download from the mouse and, through a focusable button over it,
// from the keyboard.
class ScoreView : public QFrame {
    Q_OBJECT
public:
    explicit ScoreView(QWidget* parent = nullptr);

    // Null while the welcome picture shows.
    HighscoreTree* tree() const { return m_tree; }
    // Replaces the tree with a new one, every entry checked; with no branches the welcome
    // picture shows again.
    void showTree(const QList<TreeBranch>& branches);
    // The busy cursor over the view and the tree while a job runs.
    void setBusy(bool busy);

    // The picture's place, centred in the client area, and its link's.
    QRect pictureRect() const;
    QRect hotSpotRect() const;

Q_SIGNALS:
    // The welcome picture's link was followed.
    void downloadRequested();
    // The tree appeared, went or was replaced.
    void treeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateCursor(const QPoint& point);

    HighscoreTree* m_tree = nullptr;
    QAbstractButton* m_link = nullptr;
    // Rendered when first painted, for the palette and pixel ratio of that time.
    QPixmap m_picture;
    QCursor m_linkCursor;
    bool m_busy = false;
};
