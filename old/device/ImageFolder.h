#pragma once

// The files of a device image folder as the image backend reads them.

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

// Opens file (whose name is set) for reading when it is a regular file or a link to one.
// Anything else (a FIFO, a socket, a device, a folder) is refused before it is opened, and the
// opening itself never waits, even when the entry is replaced in between.
bool OpenRegularFile(QFile& file);

enum class ImageFileRead { Missing, Read, NotRegular, TooLarge, Unreadable };

// Reads the file at path whole when it is a regular file of at most maxBytes.
ImageFileRead ReadImageFile(const QString& path, qint64 maxBytes, QByteArray& bytes);

// Why a file of the image folder was not used, for the user: "The device image's <file> is not
// a regular file; <consequence>" and the like; empty when it was read or is missing.
QString ImageFileProblem(ImageFileRead read, const char* file, qint64 maxBytes,
                         const QString& consequence);

// The settings of device.ini:
//   [Device] StorageCards=Card1,Card2   top folders that are storage cards
//   [Link] Pacing=0                     no pauses between remote steps
struct ImageSettings {
    bool pacing = true;
    QStringList storageCards;
};
ImageSettings ParseImageSettings(const QByteArray& text);

// Wildcard match of '*' and '?' without regard to case; "*.*" matches every name.
bool MatchesPattern(const QString& name, const QString& pattern);
