#include "app/Artwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <array>

namespace {

QImage RenderSvgImage(const QString& resource, QSize size, qreal dpr) {
    QImage image((QSizeF(size) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

// The largest pixel size up to maxPixels at which text fits width.
QFont FittedFont(QFont font, int maxPixels, const QString& text, int width) {
    for (int pixels = maxPixels; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            return font;
    }
    font.setPixelSize(6);
    return font;
}

void DrawText(QPainter& painter, const QRect& box, int flags, const QString& text, QFont font,
              int maxPixels, const QColor& colour) {
    painter.setFont(FittedFont(font, maxPixels, text, box.width()));
    painter.setPen(colour);
    painter.drawText(box, flags | Qt::TextSingleLine, text);
}

QFont BaseFont(bool bold) {
    QFont font = QGuiApplication::font();
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setBold(bold);
    return font;
}

} // namespace

QPixmap RenderSvg(const QString& resource, QSize size, qreal dpr) {
    return QPixmap::fromImage(RenderSvgImage(resource, size, dpr));
}

QPixmap WelcomePicture(qreal dpr) {
    QImage image = RenderSvgImage(QStringLiteral(":/res/welcome.svg"), kWelcomePictureSize, dpr);
    QImage canvas(image.size(), QImage::Format_RGB32);
    canvas.setDevicePixelRatio(dpr);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QPoint(0, 0), image);

        const QColor ink(0x17, 0x40, 0x7f);
        const QColor grey(0x4a, 0x55, 0x66);

        // The program's title with its icon.
        painter.drawPixmap(QRect(26, 18, 52, 52),
                           RenderSvg(QStringLiteral(":/res/icons/scorvane.svg"), {52, 52}, dpr));
        DrawText(painter, QRect(88, 14, 300, 40), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Scorvane"), BaseFont(true), 34, ink);
        DrawText(painter, QRect(90, 52, 300, 20), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Highscores from your Pocket PC and Smartphone"), BaseFont(false),
                 13, grey);

        // The link that starts a download, inside the hot spot.
        QFont link = BaseFont(true);
        link.setUnderline(true);
        DrawText(painter, QRect(148, 214, 150, 21), Qt::AlignCenter,
                 QStringLiteral("Download highscores"), link, 15, QColor(0x1a, 0x5f, 0xc8));

        // The two destinations.
        DrawText(painter, QRect(378, 72, 170, 20), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Publish them on"), BaseFont(false), 13, grey);
        struct Site {
            const char* logo;
            const char* name;
            const char* tagline;
            int top;
        };
        const std::array<Site, 2> sites = {{
            {":/res/toolbar/community.svg", "Ludora", "community highscores", 100},
            {":/res/toolbar/islands.svg", "Zelk Skyholm", "island highscores", 180},
        }};
        for (const Site& site : sites) {
            painter.drawPixmap(QRect(376, site.top, 56, 56),
                               RenderSvg(QString::fromLatin1(site.logo), {56, 56}, dpr));
            DrawText(painter, QRect(440, site.top + 6, 116, 26), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromLatin1(site.name), BaseFont(true), 20, ink);
            DrawText(painter, QRect(441, site.top + 32, 116, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromLatin1(site.tagline), BaseFont(false), 12, grey);
        }

        // The reminder below everything.
        DrawText(painter, QRect(20, 306, 520, 22), Qt::AlignCenter,
                 QStringLiteral("Please check that your mobile device is connected to the PC."),
                 BaseFont(false), 14, grey);
    }
    return QPixmap::fromImage(canvas);
}

QIcon ToolbarIcon(ToolbarButton button) {
    static const std::array<const char*, 4> names = {"download", "publish", "islands", "community"};
    const QString base = QStringLiteral(":/res/toolbar/") + QString::fromLatin1(names[button]);
    QIcon icon;
    for (qreal dpr : {1.0, 2.0}) {
        icon.addPixmap(RenderSvg(base + QStringLiteral(".svg"), {32, 32}, dpr), QIcon::Normal);
        icon.addPixmap(RenderSvg(base + QStringLiteral("-hot.svg"), {32, 32}, dpr), QIcon::Active);
    }
    return icon;
}

std::vector<QIcon> TreeStateImages() {
    // Index order: the three box states, the fallback game, then the games as the view's
    // game map refers to them.
    static const std::array<const char*, 15> names = {
        "blank",         "unchecked",    "checked",      "game-unknown",   "game-vondrel",
        "game-solvane",  "game-marbelo", "game-deminar", "game-courtwise", "game-quilbit",
        "game-chomplet", "game-islands", "extra-trophy", "extra-medal",    "extra-star",
    };
    std::vector<QIcon> images;
    for (const char* name : names) {
        const QString path =
            QStringLiteral(":/res/tree/") + QString::fromLatin1(name) + QStringLiteral(".svg");
        QIcon icon;
        for (qreal dpr : {1.0, 2.0})
            icon.addPixmap(RenderSvg(path, {16, 16}, dpr));
        images.push_back(icon);
    }
    return images;
}

QCursor LinkCursor() {
    return QCursor(RenderSvg(QStringLiteral(":/res/cursor-link.svg"), {32, 32}), 5, 0);
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(RenderSvg(QStringLiteral(":/res/icons/scorvane.svg"), {size, size}));
    return icon;
}
