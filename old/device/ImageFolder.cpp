#include "device/ImageFolder.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool OpenRegularFile(QFile& file) {
    if (!QFileInfo(file.fileName()).isFile())
        return false;
#ifdef Q_OS_UNIX
    // Opened without waiting and looked at once more: a FIFO put in its place after the check
    // above must not block the open (or a later read).
    const int fd =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    return file.open(QIODevice::ReadOnly);
#endif
}

ImageFileRead ReadImageFile(const QString& path, qint64 maxBytes, QByteArray& bytes) {
    bytes.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return ImageFileRead::Missing;
    if (!info.isFile())
        return ImageFileRead::NotRegular;
    QFile file(path);
    if (!OpenRegularFile(file))
        return ImageFileRead::Unreadable;
    if (file.size() > maxBytes)
        return ImageFileRead::TooLarge;
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() != file.size()) {
        bytes.clear();
        return ImageFileRead::Unreadable;
    }
    return ImageFileRead::Read;
}

ImageSettings ParseImageSettings(const QByteArray& text) {
    ImageSettings settings;
    QString section;
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (section == QLatin1String("device") && key == QLatin1String("storagecards")) {
            for (const QString& card : value.split(u',', Qt::SkipEmptyParts))
                if (!card.trimmed().isEmpty())
                    settings.storageCards.append(card.trimmed());
        } else if (section == QLatin1String("link") && key == QLatin1String("pacing")) {
            settings.pacing = value != QLatin1String("0") &&
                              value.toLower() != QLatin1String("false") &&
                              value.toLower() != QLatin1String("off");
        }
    }
    return settings;
}

QString ImageFileProblem(ImageFileRead read, const char* file, qint64 maxBytes,
                         const QString& consequence) {
    if (read == ImageFileRead::Missing || read == ImageFileRead::Read)
        return {};
    QString problem = QStringLiteral("The device image's %1 ").arg(QLatin1String(file));
    switch (read) {
    case ImageFileRead::NotRegular:
        problem += QStringLiteral("is not a regular file");
        break;
    case ImageFileRead::TooLarge:
        problem += QStringLiteral("is larger than %1 MB").arg(maxBytes >> 20);
        break;
    default:
        problem += QStringLiteral("cannot be read");
        break;
    }
    return problem + QStringLiteral("; ") + consequence;
}

bool MatchesPattern(const QString& name, const QString& pattern) {
    if (pattern.isEmpty() || pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    const QString n = name.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    qsizetype ni = 0, pi = 0, starP = -1, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == u'?' || p[pi] == n[ni])) {
            ++ni;
            ++pi;
        } else if (pi < p.size() && p[pi] == u'*') {
            starP = pi++;
            starN = ni;
        } else if (starP >= 0) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*')
        ++pi;
    return pi == p.size();
}
