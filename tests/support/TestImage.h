#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

// A device image folder in a temporary directory, removed with the object.
// Pacing is off unless a test writes its own device.ini.
class TestImage {
public:
    TestImage() {
        AddFolder(QString());
        SetDeviceIni(QStringLiteral("[Link]\nPacing=0\n"));
    }

    QString Root() const { return m_dir.path(); }
    // Host path of a handheld path inside files/.
    QString HostPath(const QString& devicePath) const {
        return Root() + QStringLiteral("/files/") +
               devicePath.split(u'\\', Qt::SkipEmptyParts).join(u'/');
    }

    void AddFolder(const QString& devicePath) { QDir().mkpath(HostPath(devicePath)); }
    void AddFile(const QString& devicePath, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(HostPath(devicePath)).path());
        Write(HostPath(devicePath), bytes);
    }
    // Writes registry.reg (UTF-8); the header line is added.
    void SetRegistry(const QString& body) {
        Write(Root() + QStringLiteral("/registry.reg"),
              "Windows Registry Editor Version 5.00\r\n\r\n" + body.toUtf8());
    }
    void SetDeviceIni(const QString& text) {
        Write(Root() + QStringLiteral("/device.ini"), text.toUtf8());
    }

private:
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }

    QTemporaryDir m_dir;
};
