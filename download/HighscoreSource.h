#pragma once

// One highscore table found on the handheld: a game's file, a set of statistics, a file of new
// highscores that a game announced, or the islands game's island files. The scan builds the
// sources; the tree lists their entries; a publish run uploads the entries the user checked.

#include "formats/HighscoreTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct Settings;
class IslandMarks;

enum class Destination {
    Community = 1, // the community highscores site
    Islands = 2,   // the islands game's own site
};

// One line of a source's branch in the tree.
struct SourceEntry {
    quint32 index = 0; // the entry's index in the source; hidden entries count too
    QString text;

    bool operator==(const SourceEntry&) const = default;
};

class HighscoreSource {
public:
    virtual ~HighscoreSource() = default;
    HighscoreSource(const HighscoreSource&) = delete;
    HighscoreSource& operator=(const HighscoreSource&) = delete;

    // The name the scan gave the source: a folder name, "Solvane", "Chomplet0" to
    // "Chomplet7", "NewHighscores" or "NewHighscores_Skyholm".
    const QString& name() const { return m_name; }
    virtual QString title() const = 0;
    virtual qint32 game() const = 0;
    virtual qint32 format() const { return 0; }
    virtual bool verified() const { return true; }
    // Records of the table (hidden ones included); 0 for the islands.
    virtual qsizetype recordCount() const { return 0; }
    virtual Destination destination() const = 0;

    // The entries the tree shows, in order; hidden ones are left out but keep their index.
    virtual QList<SourceEntry> entries() const = 0;
    // True when the source holds no entry at all, hidden or shown (its branch is then kept,
    // empty, while a source whose entries are all hidden gets none).
    virtual bool isEmpty() const = 0;

    // The upload data for the chosen entry indices with the addresses from settings; nothing
    // when there is nothing to send.
    virtual std::optional<QByteArray> uploadData(const Settings& settings,
                                                 const QList<quint32>& chosen) const = 0;
    // Told after this source's upload. False when something to remember could not be
    // written to the profile.
    virtual bool published(bool ok, const QList<quint32>& chosen, IslandMarks& marks);

protected:
    explicit HighscoreSource(QString name) : m_name(std::move(name)) {}

private:
    QString m_name;
};

// A game's table, decoded from its file or its statistics, or a table a game announced.
class TableSource final : public HighscoreSource {
public:
    enum class Kind {
        Game,      // to the community site with the community address
        Announced, // to the islands site with the islands account's address
    };
    // text: the table text that is uploaded (as decoded, or as the file held it).
    TableSource(QString name, HighscoreTable table, QByteArray text, Kind kind = Kind::Game);

    QString title() const override;
    qint32 game() const override { return m_table.game; }
    qint32 format() const override { return m_table.format; }
    bool verified() const override { return m_table.verified; }
    qsizetype recordCount() const override { return m_table.records.size(); }
    Destination destination() const override;
    QList<SourceEntry> entries() const override;
    bool isEmpty() const override { return m_table.records.isEmpty(); }
    std::optional<QByteArray> uploadData(const Settings& settings,
                                         const QList<quint32>& chosen) const override;

    const HighscoreTable& table() const { return m_table; }
    const QByteArray& text() const { return m_text; }

private:
    HighscoreTable m_table;
    QByteArray m_text;
    Kind m_kind;
};
