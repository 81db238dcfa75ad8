#include "handheld/ImageFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool openRegularFile(QFile& file) {
#ifdef Q_OS_UNIX
    // Opened without waiting and looked at once more: a FIFO put in its place after it was
    // seen must not block the open (or a later read).
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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

ImageFileContent readImageFile(const QString& path, qint64 maxBytes) {
    const QFileInfo info(path);
    if (!info.exists())
        return {ImageFileStatus::Missing, {}};
    if (!info.isFile())
        return {ImageFileStatus::NotRegular, {}};
    QFile file(path);
    if (!openRegularFile(file))
        return {ImageFileStatus::Unreadable, {}};
    if (file.size() > maxBytes)
        return {ImageFileStatus::TooLarge, {}};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() != file.size())
        return {ImageFileStatus::Unreadable, {}};
    return {ImageFileStatus::Read, bytes};
}

QString imageFileProblem(ImageFileStatus status, const char* file, qint64 maxBytes,
                         const QString& consequence) {
    QString problem = QStringLiteral("The device image's %1 ").arg(QLatin1String(file));
    switch (status) {
    case ImageFileStatus::Missing:
    case ImageFileStatus::Read:
        return {};
    case ImageFileStatus::NotRegular:
        problem += QStringLiteral("is not a regular file");
        break;
    case ImageFileStatus::TooLarge:
        problem += QStringLiteral("is larger than %1 MB").arg(maxBytes >> 20);
        break;
    case ImageFileStatus::Unreadable:
        problem += QStringLiteral("cannot be read");
        break;
    }
    return problem + QStringLiteral("; ") + consequence;
}

std::optional<ImageSettings> readImageSettings(const QByteArray& text) {
    ImageSettings settings;
    if (text.isEmpty())
        return settings;
    // Read from a private copy of the bytes that were checked, never from the image again.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(text) != text.size() || !copy.flush())
        return std::nullopt;
    QSettings ini(copy.fileName(), QSettings::IniFormat);
    const auto is = [](const QString& name, const char* wanted) {
        return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
    };
    for (const QString& group : ini.childGroups()) {
        ini.beginGroup(group);
        for (const QString& key : ini.childKeys()) {
            if (is(group, "Device") && is(key, "StorageCards")) {
                for (const QString& card : ini.value(key).toStringList())
                    if (!card.trimmed().isEmpty())
                        settings.storageCards.append(card.trimmed());
            } else if (is(group, "Link") && is(key, "Pacing")) {
                const QString pacing = ini.value(key).toString().trimmed();
                settings.pacing =
                    pacing != QLatin1String("0") && !is(pacing, "false") && !is(pacing, "off");
            }
        }
        ini.endGroup();
    }
    return settings;
}
