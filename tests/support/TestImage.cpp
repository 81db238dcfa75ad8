#include "TestImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

TestImage::TestImage() {
    QDir(dir.path()).mkpath(QStringLiteral("files"));
    SetDeviceIni(QStringLiteral("[Link]\nPacing=0\n"));
}

QString TestImage::HostPath(const QString& devicePath) const {
    const QStringList parts = devicePath.split(u'\\', Qt::SkipEmptyParts);
    return dir.path() + QStringLiteral("/files/") + parts.join(u'/');
}

void TestImage::AddFolder(const QString& devicePath) {
    QDir().mkpath(HostPath(devicePath));
}

void TestImage::AddFile(const QString& devicePath, const QByteArray& bytes) {
    const QString host = HostPath(devicePath);
    QDir().mkpath(QFileInfo(host).path());
    QFile file(host);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

void TestImage::SetRegistry(const QString& body, bool utf16) {
    const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + body;
    QFile file(dir.path() + QStringLiteral("/registry.reg"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    if (utf16) {
        file.write("\xFF\xFE", 2);
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    } else {
        file.write(text.toUtf8());
    }
}

void TestImage::SetDeviceIni(const QString& text) {
    QFile file(dir.path() + QStringLiteral("/device.ini"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
}
