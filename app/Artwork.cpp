#include "app/Artwork.h"

#include "formats/GameCatalogue.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <array>

namespace {

QImage renderSvg(const QString& resource, QSize size, qreal dpr) {
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
QFont fittedFont(QFont font, int maxPixels, const QString& text, int width) {
    for (int pixels = maxPixels; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            return font;
    }
    font.setPixelSize(6);
    return font;
}

void drawText(QPainter& painter, const QRect& box, int flags, const QString& text,
              const QFont& font, int maxPixels, const QColor& colour) {
    painter.setFont(fittedFont(font, maxPixels, text, box.width()));
    painter.setPen(colour);
    painter.drawText(box, flags | Qt::TextSingleLine, text);
}

QFont baseFont(bool bold) {
    QFont font = QGuiApplication::font();
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setBold(bold);
    return font;
}

// Where the welcome picture that this build of the program drew for these colours, this font
// and this pixel ratio is kept.
QString pictureCacheFile(qreal dpr, const QPalette& palette) {
    const QFileInfo program(QCoreApplication::applicationFilePath());
    QCryptographicHash key(QCryptographicHash::Md5);
    key.addData(program.filePath().toUtf8());
    key.addData(QByteArray::number(program.lastModified().toMSecsSinceEpoch()));
    key.addData(QByteArray::number(program.size()));
    key.addData(QByteArray::number(dpr));
    key.addData(QGuiApplication::font().key().toUtf8());
    for (QPalette::ColorRole role :
         {QPalette::Base, QPalette::Text, QPalette::PlaceholderText, QPalette::Link})
        key.addData(palette.color(role).name(QColor::HexArgb).toLatin1());
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/welcome-") + QString::fromLatin1(key.result().toHex()) +
           QStringLiteral(".png");
}

void drawSites(QPainter& painter, qreal dpr, const QColor& ink, const QColor& grey) {
    drawText(painter, QRect(378, 72, 170, 20), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Publish them on"), baseFont(false), 13, grey);
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
        painter.drawImage(QRect(376, site.top, 56, 56),
                          renderSvg(QString::fromLatin1(site.logo), {56, 56}, dpr));
        drawText(painter, QRect(440, site.top + 6, 116, 26), Qt::AlignLeft | Qt::AlignVCenter,
                 QString::fromLatin1(site.name), baseFont(true), 20, ink);
        drawText(painter, QRect(441, site.top + 32, 116, 18), Qt::AlignLeft | Qt::AlignVCenter,
                 QString::fromLatin1(site.tagline), baseFont(false), 12, grey);
    }
}

QImage drawWelcomePicture(qreal dpr, const QPalette& palette) {
    const QImage artwork = renderSvg(QStringLiteral(":/res/welcome.svg"), kWelcomePictureSize, dpr);
    QImage canvas(artwork.size(), QImage::Format_RGB32);
    canvas.setDevicePixelRatio(dpr);
    const QColor base = palette.color(QPalette::Base);
    canvas.fill(base);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QPoint(0, 0), artwork);

    // The band behind the road fades into the page at the bottom.
    QLinearGradient fade(0, 290, 0, 350);
    QColor clear = base;
    clear.setAlpha(0);
    fade.setColorAt(0, clear);
    fade.setColorAt(1, base);
    painter.fillRect(QRect(0, 290, 560, 60), fade);

    const QColor ink = palette.color(QPalette::Text);
    const QColor grey = palette.color(QPalette::PlaceholderText);

    // The program's title with its icon.
    painter.drawImage(QRect(26, 18, 52, 52),
                      renderSvg(QStringLiteral(":/res/icons/scorvane.svg"), {52, 52}, dpr));
    drawText(painter, QRect(88, 14, 300, 40), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Scorvane"), baseFont(true), 34, ink);
    drawText(painter, QRect(90, 52, 300, 20), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Highscores from your Pocket PC and Smartphone"), baseFont(false), 13,
             grey);

    // The link that starts a download, filling the hot spot.
    QFont link = baseFont(true);
    link.setUnderline(true);
    drawText(painter, kWelcomeHotSpot, Qt::AlignCenter, QStringLiteral("Download highscores"), link,
             15, palette.color(QPalette::Link));

    drawSites(painter, dpr, ink, grey);

    // The reminder below everything.
    drawText(painter, QRect(20, 306, 520, 22), Qt::AlignCenter,
             QStringLiteral("Please check that your mobile device is connected to the PC."),
             baseFont(false), 14, grey);
    painter.end();
    return canvas;
}

} // namespace

QPixmap welcomePicture(qreal dpr, const QPalette& palette) {
    // Drawing it takes longer than all the rest of the window's first paint, so the picture
    // drawn at an earlier start is read back where there is one.
    const QString file = pictureCacheFile(dpr, palette);
    QImage picture;
    if (picture.load(file, "PNG") &&
        picture.size() == (QSizeF(kWelcomePictureSize) * dpr).toSize()) {
        picture.setDevicePixelRatio(dpr);
        return QPixmap::fromImage(picture);
    }
    picture = drawWelcomePicture(dpr, palette);
    QDir folder = QFileInfo(file).dir();
    if (folder.mkpath(QStringLiteral("."))) {
        for (const QString& old : folder.entryList({QStringLiteral("welcome-*.png")}, QDir::Files))
            folder.remove(old);
        QSaveFile out(file);
        if (out.open(QIODevice::WriteOnly) && picture.save(&out, "PNG"))
            out.commit();
    }
    return QPixmap::fromImage(picture);
}

// The icons are drawn from their SVG files when first shown, at the size and pixel ratio
// they are shown at.
QIcon toolbarIcon(const char* name) {
    const QString base = QStringLiteral(":/res/toolbar/") + QLatin1String(name);
    QIcon icon(base + QStringLiteral(".svg"));
    icon.addFile(base + QStringLiteral("-hot.svg"), QSize(), QIcon::Active);
    return icon;
}

QIcon gameIcon(qint32 game) {
    return QIcon(QStringLiteral(":/res/tree/game-") + gameIconName(game) + QStringLiteral(".svg"));
}

QCursor linkCursor() {
    return QCursor(
        QPixmap::fromImage(renderSvg(QStringLiteral(":/res/cursor-link.svg"), {32, 32}, 1.0)), 5,
        0);
}

QIcon applicationIcon() {
    // Pixmaps rather than the SVG: the window system is handed every size the icon has when a
    // window shows, and one parse serves them all.
    QSvgRenderer renderer(QStringLiteral(":/res/icons/scorvane.svg"));
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
