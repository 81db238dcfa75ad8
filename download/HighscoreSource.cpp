#include "download/HighscoreSource.h"

#include "formats/UploadData.h"
#include "profile/Settings.h"

bool HighscoreSource::published(bool, const QList<quint32>&, IslandMarks&) {
    return true;
}

TableSource::TableSource(QString name, HighscoreTable table, QByteArray text, Kind kind)
    : HighscoreSource(std::move(name)), m_table(std::move(table)), m_text(std::move(text)),
      m_kind(kind) {}

QString TableSource::title() const {
    return QString::fromLocal8Bit(m_table.title);
}

Destination TableSource::destination() const {
    return m_kind == Kind::Game ? Destination::Community : Destination::Islands;
}

QList<SourceEntry> TableSource::entries() const {
    QList<SourceEntry> shown;
    for (qsizetype i = 0; i < m_table.records.size(); ++i) {
        const HighscoreRecord& record = m_table.records[i];
        if (!isFactoryEntry(m_table.game, record))
            shown.append({quint32(i), QString::fromLocal8Bit(entryText(record))});
    }
    return shown;
}

std::optional<QByteArray> TableSource::uploadData(const Settings& settings,
                                                  const QList<quint32>& chosen) const {
    if (m_text.isEmpty())
        return std::nullopt;
    const DestinationSettings& to = m_kind == Kind::Game ? settings.community : settings.islands;
    return tableUploadData(m_text, chosen, to.email.toLocal8Bit());
}
