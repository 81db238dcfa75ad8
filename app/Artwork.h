#pragma once

// The program's pictures, drawn as SVG in the resources and rendered here.

#include <QCursor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QSize>

inline constexpr QSize kWelcomePictureSize{560, 350};
// The link text that starts a download, relative to the picture's top-left corner.
inline constexpr QRect kWelcomeHotSpot{148, 214, 150, 21};

// The welcome picture: artwork, texts and the two sites' logos on the palette's base colour
// with its text and link colours. Kept in the user's cache folder once drawn.
QPixmap welcomePicture(qreal dpr, const QPalette& palette);

// A 32×32 toolbar button ("download", "publish", "stop", "islands", "community"): the normal
// image, and the hot one shown under the mouse.
QIcon toolbarIcon(const char* name);

// The 16×16 icon of a game's tables, by the catalogue's icon name.
QIcon gameIcon(qint32 game);

// The hand shown over the welcome picture's link; hot spot at the fingertip (5, 0).
QCursor linkCursor();

QIcon applicationIcon();
