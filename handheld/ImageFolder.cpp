#include "handheld/ImageFolder.h"

#include "handheld/RegularFile.h"

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

ImageFileContent readImageFile(const QString& path, qint64 maxBytes) {
    const QFileInfo info(path);
    if (!info.exists())
        return {ImageFileStatus::Missing, {}};
    if (!info.isFile())
        return {ImageFileStatus::NotRegular, {}};
    const auto file = RegularFile::open(path);
    if (!file)
        return {ImageFileStatus::Unreadable, {}};
    if (file->size() > maxBytes)
        return {ImageFileStatus::TooLarge, {}};
    QByteArray bytes(file->size(), '\0');
    if (file->read(bytes.data(), bytes.size()) != bytes.size())
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
