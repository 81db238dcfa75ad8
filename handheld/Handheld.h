#pragma once

// The connected handheld as the program uses it. A backend decides what stands behind it: a
// device image folder (ImageHandheld) or the desktop's remote API library (LibraryHandheld).
//
// Paths are the handheld's own ("\Storage\Program Files\Game\HighScores.sco"), kept as UTF-16
// text from a listing to the open and the delete; names match without regard to case. The
// remote steps a backend takes for one call, and the pauses between them, are part of the
// call's contract: a handheld's link stays responsive only when they are kept. A backend is
// used by one thread at a time.

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>

class ProfileStore;

// The registry roots the program reads below.
enum class RegistryRoot { CurrentUser, LocalMachine };

// One open key of the handheld's registry; it is closed when the object goes.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // A value as text: its bytes taken as UTF-16 up to the first NUL, whatever its type. The
    // handheld is asked for the size first, then for the value. Nothing when it is missing
    // or larger than kMaxValueBytes.
    virtual std::optional<QString> text(const QString& name) = 0;
    // A value's bytes as a little-endian number (missing high bytes read as zero); nothing
    // when it is missing or longer than four bytes.
    virtual std::optional<quint32> number(const QString& name) = 0;
    // A value's bytes; nothing when it is missing or longer than maxBytes.
    virtual std::optional<QByteArray> bytes(const QString& name, qsizetype maxBytes) = 0;
    // The name of the value at index; nothing past the last one, on failure, or when the name
    // is longer than kMaxNameChars.
    virtual std::optional<QString> valueName(int index) = 0;

    // Values larger than this are treated as missing.
    static constexpr qsizetype kMaxValueBytes = 64 * 1024;
    // The longest value name a registry holds; a handheld that reports more is not believed.
    static constexpr qsizetype kMaxNameChars = 16383;
};

struct FolderEntry {
    QString name;
    bool isFolder = false;
    bool isStorageCard = false; // the top folder of a storage card (Listing::Cards only)
};

// What a folder listing asks the handheld for.
enum class Listing {
    Folders, // sub-folders, by name
    Cards,   // sub-folders with their attributes and those of their children
    Files,   // every entry, with its attributes
};

class Handheld {
public:
    virtual ~Handheld() = default;

    // Opens a session; false when the handheld did not answer within wait or a stop was
    // asked for first. A session that was half open is closed again.
    virtual bool connect(std::chrono::milliseconds wait, std::stop_token stop = {}) = 0;
    // Ends the session; harmless when none is open.
    virtual void disconnect() = 0;
    // Something the user should know about the session just opened (a device image whose
    // registry could not be read, say); empty when all is well.
    virtual QString notice() const { return {}; }

    // The key below root; null when it is absent.
    virtual std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString& path) = 0;

    // A whole file: open, pause, size, read, close, pause (nothing after a failed open but
    // its pause). Nothing when it cannot be opened, is larger than kMaxFileBytes, or cannot
    // be read completely.
    virtual std::optional<QByteArray> readFile(const QString& path) = 0;
    // The first bytes of a file, without asking its size and without pauses: open, read,
    // close. Bytes the file does not hold read as zero. Nothing when it cannot be opened.
    virtual std::optional<QByteArray> readFileStart(const QString& path, qsizetype bytes) = 0;
    // The entries that match pattern ("\Storage\Program Files\*.*"), in the handheld's
    // order. Nothing when the search failed.
    virtual std::optional<QList<FolderEntry>> list(const QString& pattern, Listing listing) = 0;
    virtual bool exists(const QString& path) = 0;
    // Deletes a file; whether it is gone is asked with exists().
    virtual void remove(const QString& path) = 0;

    // The pause between remote steps (10 ms on a real handheld).
    virtual void pause() = 0;

    // Files larger than this are not highscore data and are never pulled over the link.
    static constexpr qsizetype kMaxFileBytes = 16 * 1024 * 1024;
};

// The backend for a connection: the device image folder when one is given, otherwise the
// handheld reached through the desktop's remote API library (see DeviceSettings.h for where
// it is looked for).
std::unique_ptr<Handheld> createHandheld(const QString& imageFolder, const ProfileStore& profile);
