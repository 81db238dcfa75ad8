#pragma once

#include "download/HighscoreSource.h"

// One island file read from the handheld.
struct Island {
    QString path;       // full handheld path
    qint32 number = -1; // from the file name: 0 the island being played, -1 none
    QByteArray bytes;   // the whole file as stored
    QByteArray name;    // header texts; empty for a file shorter than the header
    QByteArray id;
};

// The islands game's files: one entry per island, published by uploading the files
// themselves.
class IslandsSource final : public HighscoreSource {
public:
    explicit IslandsSource(QList<Island> islands);

    QString title() const override; // "Zelk Skyholm"
    qint32 game() const override;   // Game::Islands
    Destination destination() const override { return Destination::Islands; }
    // "Current island (name)" for number 0, "Island 3 (name)" otherwise; islands without a
    // number are hidden.
    QList<SourceEntry> entries() const override;
    bool isEmpty() const override { return m_islands.isEmpty(); }
    // The islands layout with the chosen, non-empty files.
    std::optional<QByteArray> uploadData(const Settings& settings,
                                         const QList<quint32>& chosen) const override;
    // After a successful upload, remembers each chosen island that is not the one being
    // played (its id and the digest of its bytes), so the next download deletes exactly
    // those files.
    bool published(bool ok, const QList<quint32>& chosen, IslandMarks& marks) override;

    const QList<Island>& islands() const { return m_islands; }

private:
    QList<Island> m_islands;
};
