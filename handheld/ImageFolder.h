#pragma once

// The files of a device image folder as the image backend reads them:
//   files/         the handheld's file system (\Storage\x.dat is files/Storage/x.dat)
//   registry.reg   the handheld's registry as a registry editor export
//   device.ini     optional: [Device] StorageCards=Card1,Card2   top folders that are cards
//                            [Link] Pacing=0                     no pauses between steps

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class QFile;

// Opens file (whose name is set, and which was seen to be a regular file) for reading. Should
// the entry have been replaced by anything else in between (a FIFO, a device, a folder), it is
// refused, and the opening itself never waits.
bool openRegularFile(QFile& file);

enum class ImageFileStatus { Missing, Read, NotRegular, TooLarge, Unreadable };

struct ImageFileContent {
    ImageFileStatus status = ImageFileStatus::Missing;
    QByteArray bytes; // empty unless read
};

// The file at path, whole, when it is a regular file of at most maxBytes.
ImageFileContent readImageFile(const QString& path, qint64 maxBytes);

// Why a file of the image folder was not used, for the user: "The device image's <file> is not
// a regular file; <consequence>" and the like; empty when it was read or is missing.
QString imageFileProblem(ImageFileStatus status, const char* file, qint64 maxBytes,
                         const QString& consequence);

struct ImageSettings {
    bool pacing = true;
    QStringList storageCards;
};

// The settings in the text of a device.ini; sections and keys match without regard to case.
// Nothing when the text could not be read.
std::optional<ImageSettings> readImageSettings(const QByteArray& text);
