#include "handheld/RegularFile.h"

#ifdef Q_OS_UNIX
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX

std::unique_ptr<RegularFile> RegularFile::open(const QString& path) {
    std::unique_ptr<RegularFile> file(new RegularFile);
    file->m_fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat status {};
    if (file->m_fd < 0 || ::fstat(file->m_fd, &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    file->m_size = status.st_size;
    return file;
}

RegularFile::~RegularFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 RegularFile::read(char* data, qint64 bytes) {
    qint64 done = 0;
    while (done < bytes) {
        const ssize_t got = ::read(m_fd, data + done, std::size_t(bytes - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

#else

std::unique_ptr<RegularFile> RegularFile::open(const QString& path) {
    std::unique_ptr<RegularFile> file(new RegularFile);
    file->m_file.setFileName(path);
    if (!file->m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return nullptr;
    file->m_size = file->m_file.size();
    return file;
}

RegularFile::~RegularFile() = default;

qint64 RegularFile::read(char* data, qint64 bytes) {
    return m_file.read(data, bytes);
}

#endif
