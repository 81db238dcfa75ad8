#pragma once

// A regular file of a device image, open for reading. It is opened without waiting and looked
// at once more when open: whatever is not a regular file (a FIFO, socket or device put in the
// place of one that was seen to be regular) is refused and can never block a read.

#include <QString>
#include <memory>

#ifndef Q_OS_UNIX
#include <QFile>
#endif

class RegularFile {
public:
    // Null when path is not a regular file that can be read.
    static std::unique_ptr<RegularFile> open(const QString& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    qint64 size() const { return m_size; }
    // Reads up to bytes from where the last read ended; the count read, or -1 on failure.
    qint64 read(char* data, qint64 bytes);

private:
    RegularFile() = default;

    qint64 m_size = 0;
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    QFile m_file;
#endif
};
