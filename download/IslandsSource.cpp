#include "download/IslandsSource.h"

#include "formats/GameCatalogue.h"
#include "formats/IslandFile.h"
#include "formats/UploadData.h"
#include "profile/IslandMarks.h"
#include "profile/Settings.h"

IslandsSource::IslandsSource(QList<Island> islands)
    : HighscoreSource(QStringLiteral("NewHighscores_Skyholm")), m_islands(std::move(islands)) {}

QString IslandsSource::title() const {
    return QString::fromLocal8Bit(gameTitle(Game::Islands));
}

qint32 IslandsSource::game() const {
    return Game::Islands;
}

QList<SourceEntry> IslandsSource::entries() const {
    QList<SourceEntry> shown;
    for (qsizetype i = 0; i < m_islands.size(); ++i) {
        const Island& island = m_islands[i];
        if (island.number < 0)
            continue;
        const QByteArray text = island.number == 0 ? "Current island (" + island.name + ')'
                                                   : "Island " + QByteArray::number(island.number) +
                                                         " (" + island.name + ')';
        shown.append({quint32(i), QString::fromLocal8Bit(text)});
    }
    return shown;
}

std::optional<QByteArray> IslandsSource::uploadData(const Settings& settings,
                                                    const QList<quint32>& chosen) const {
    if (m_islands.isEmpty())
        return std::nullopt;
    QList<QByteArray> files;
    for (qsizetype i = 0; i < m_islands.size(); ++i)
        if (chosen.contains(quint32(i)) && !m_islands[i].bytes.isEmpty())
            files.append(m_islands[i].bytes);
    return islandsUploadData(settings.islands.email.toLocal8Bit(),
                             settings.islands.password.toLocal8Bit(), files);
}

bool IslandsSource::published(bool ok, const QList<quint32>& chosen, IslandMarks& marks) {
    if (!ok)
        return true;
    for (qsizetype i = 0; i < m_islands.size(); ++i) {
        const Island& island = m_islands[i];
        // The island being played is never marked, so its file is never deleted.
        if (!chosen.contains(quint32(i)) || island.number < 1 || island.id.isEmpty())
            continue;
        if (!marks.markPublished(island.id, islandDigest(island.bytes)))
            return false;
    }
    return true;
}
