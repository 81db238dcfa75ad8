#pragma once

// Writers of the highscore layouts the games leave on a handheld, for sample images, tests,
// benchmarks and fuzz seeds. They write what the games write; they share no code with the
// readers, so a reader's fault does not hide behind the same fault in its writer.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace writers {

// Level table file: count, then per entry UTF-16 name length, name, score, level.
struct LevelEntry {
    QString name;
    std::int32_t score = 0;
    std::int32_t level = 0;
};
QByteArray LevelTableFile(const std::vector<LevelEntry>& entries);

// How the class-library archive stores a string's characters and length.
enum class ArchiveChars { Narrow, Wide };
enum class ArchiveLength {
    Shortest, // the form the class library writes
    Word,     // 0xFF then a 16-bit length
    Dword,    // 0xFF, 0xFFFF then a 32-bit length
};
// One archive string holding the given characters (bytes for Narrow, UTF-16 units for Wide).
QByteArray ArchiveStringBytes(const std::u16string& chars, ArchiveChars form,
                              ArchiveLength length = ArchiveLength::Shortest);

// Masks bytes with a key string the way the games do: each byte with the next key character,
// stepping through all characters but the last and starting again.
class KeyMask {
public:
    explicit KeyMask(std::string key) : key(std::move(key)) {}
    std::uint8_t Next(std::uint8_t byte);
    // The text as UTF-16LE, each byte masked and written as two hex digits.
    std::u16string MaskedHexText(const QString& text);
    // Four bytes, least significant first, each masked.
    QByteArray MaskedValue(std::int32_t value);

private:
    std::string key;
    std::size_t cursor = 0;
};

// Masked archive: header string, then per entry a masked name string and a masked 32-bit
// value. Ten entries for the score tables, three (with times) for the mine-clearing game.
struct ArchiveEntry {
    QString name;
    std::int32_t value = 0;
};
QByteArray MaskedArchive(const char* key, const QString& header,
                         const std::vector<ArchiveEntry>& entries,
                         ArchiveChars form = ArchiveChars::Narrow);

// Signed table text with its digest (or without one when sign is false).
struct TextRecord {
    std::string name;
    std::int32_t score = 0;
    std::string extra;
};
QByteArray SignedTableText(std::int64_t game, std::int64_t format, const std::string& title,
                           const std::vector<TextRecord>& records, bool sign = true,
                           const std::string& salt = "4KQW71ZP8");

// The puzzle game's statistics file with its four mode records.
struct ModeStats {
    std::uint32_t games = 0;
    std::uint32_t highest = 0;
    std::uint32_t sum = 0;
};
QByteArray PuzzleStatisticsFile(const std::array<ModeStats, 4>& modes);

// An island file of the islands game: a 200-byte header masked with 0x6D that holds the
// island's name (at most 15 bytes) at offset 12 and its id (at most 63 bytes) at offset 28,
// then the island's own data.
QByteArray IslandFileBytes(const std::string& name, const std::string& id,
                           const QByteArray& body = QByteArray());

// Text as UTF-16LE bytes followed by one zero unit.
QByteArray Utf16z(const QString& text);
// Bytes in the registry export's binary form: "hex:41,00,...".
QString RegistryHex(const QByteArray& bytes);
// A string escaped for the registry export: "C:\\x".
QString RegistryString(const QString& text);

// Writes the sample handheld image into folder (files/, registry.reg, device.ini).
bool WriteSampleImage(const QString& folder);
// Writes a varied image chosen by seed into folder; the same seed writes the same image.
bool WriteRandomImage(const QString& folder, quint32 seed);
// Writes seed inputs for the fuzz targets into folder/<target>/.
bool WriteFuzzSeeds(const QString& folder);

} // namespace writers
