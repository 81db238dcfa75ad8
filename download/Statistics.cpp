#include "download/Statistics.h"

#include "download/ScanContext.h"
#include "handheld/Handheld.h"

#include <QtEndian>

namespace {

const QString kOwnerKey = QStringLiteral("\\ControlPanel\\Owner");
constexpr qsizetype kOwnerBytes = 768;
const QString kSolitaireKey = QStringLiteral("Software\\Zelkora\\Solvane\\Statistics");
constexpr quint32 kMostGames = 100000;

const QString kPuzzleFile = QStringLiteral("\\Windows\\Chomplet.dat");
constexpr qsizetype kPuzzleReadBytes = 64000;
constexpr qsizetype kFirstModeRecord = 12672;
constexpr qsizetype kModeRecordBytes = 40;
constexpr int kModes = 4;
// A mode's average counts only from this many games on.
constexpr quint32 kGamesForAverage = 10;

// The 8 bytes the statistics decoders read: two little-endian values.
QByteArray twoValues(quint32 first, quint32 second) {
    QByteArray bytes(8, '\0');
    qToLittleEndian(first, bytes.data());
    qToLittleEndian(second, bytes.data() + 4);
    return bytes;
}

// The "Owner" value's bytes as UTF-16 text up to its first NUL (an odd last byte is the low
// half of one more character).
QByteArray ownerFromBytes(QByteArray bytes) {
    if (bytes.size() % 2)
        bytes.append('\0');
    QString text(bytes.size() / 2, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.constData(), text.size(), text.data());
    if (const qsizetype end = text.indexOf(QChar(0)); end >= 0)
        text.truncate(end);
    return text.toLocal8Bit();
}

void addDecoded(ScanContext& scan, const QString& name, const QByteArray& data) {
    if (auto decoded = decodeGameData(name, data, ownerLookup(scan)))
        scan.add(std::make_shared<TableSource>(name, std::move(decoded->table),
                                               std::move(decoded->text)));
}

} // namespace

OwnerName ownerLookup(ScanContext& scan) {
    return [&scan] {
        QByteArray name;
        if (const auto key = scan.handheld.openKey(RegistryRoot::CurrentUser, kOwnerKey)) {
            name = ownerFromBytes(key->bytes(QStringLiteral("Owner"), kOwnerBytes).value_or(""));
            if (name.isEmpty())
                name = key->text(QStringLiteral("Name")).value_or(QString()).toLocal8Bit();
        }
        if (name.isEmpty()) {
            // The table being decoded has no title yet, so the notice names none.
            scan.collection.notice =
                QStringLiteral(
                    "Since you have not entered your Pocket PC/Smartphone owner information your "
                    "name will appear as Anonymous for %1 some highscores")
                    .arg(QString());
            name = "Anonymous";
        }
        return name;
    };
}

void readSolitaireStatistics(ScanContext& scan) {
    const auto key = scan.handheld.openKey(RegistryRoot::CurrentUser, kSolitaireKey);
    if (!key)
        return;
    const std::optional<quint32> games = key->number(QStringLiteral("Games"));
    const std::optional<quint32> won = key->number(QStringLiteral("Won"));
    if (!won)
        return;
    // The key stays open while the table is decoded, as the handheld saw it before.
    addDecoded(scan, QStringLiteral("Solvane"),
               twoValues(games && *games <= kMostGames ? *games : 0, *won));
}

void readPuzzleGameFile(ScanContext& scan) {
    const auto file = scan.handheld.readFileStart(kPuzzleFile, kPuzzleReadBytes);
    if (!file)
        return;
    QByteArray data = *file;
    data.resize(kPuzzleReadBytes, '\0');
    const char* bytes = data.constData();
    for (int j = 0; j < 2 * kModes; ++j) {
        const char* mode = bytes + kFirstModeRecord + kModeRecordBytes * (j / 2);
        const quint32 games = qFromLittleEndian<quint32>(mode);
        const quint32 highest = qFromLittleEndian<quint32>(mode + 4);
        const quint32 sum = qFromLittleEndian<quint32>(mode + 8);
        const quint32 average = games >= kGamesForAverage ? sum / games : 0;
        addDecoded(scan, QStringLiteral("Chomplet%1").arg(j),
                   twoValues(j % 2 == 0 ? highest : average, games));
    }
}
