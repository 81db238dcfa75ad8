#pragma once

#include <QCursor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <vector>

// The program's pictures, drawn as SVG in the resources and rendered here.

inline constexpr QSize kWelcomePictureSize{560, 350};

// The toolbar buttons, left to right.
enum ToolbarButton { TB_DOWNLOAD, TB_PUBLISH, TB_STOP, TB_ISLANDS_PAGE, TB_COMMUNITY_PAGE };

// Renders an SVG resource at a size in device-independent pixels for a device pixel ratio.
QPixmap RenderSvg(const QString& resource, QSize size, qreal dpr = 1.0);

// The welcome picture: artwork, texts and the two sites' logos, 560×350, on the palette's
// base colour with its text and link colours. Kept in the user's cache folder once drawn.
QPixmap WelcomePicture(qreal dpr, const QPalette& palette);

// A 32×32 toolbar button: the normal image, and the hot one shown under the mouse.
QIcon ToolbarIcon(ToolbarButton button);

// The tree's 16×16 state images by index: blank, unchecked box, checked box, then the
// fallback game icon and the game icons.
std::vector<QIcon> TreeStateImages();

// The hand shown over the welcome picture's link; hot spot at the fingertip (5, 0).
QCursor LinkCursor();

QIcon AppIcon();
