#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A device image folder in a temporary directory, removed with the object.
// Pacing is off unless a test writes its own device.ini.
class TestImage {
public:
    TestImage();

    QString Root() const { return dir.path(); }
    // Host path of a handheld path inside files/.
    QString HostPath(const QString& devicePath) const;

    void AddFile(const QString& devicePath, const QByteArray& bytes);
    void AddFolder(const QString& devicePath);
    // Writes registry.reg: the header line is added; utf16 writes UTF-16LE with a BOM.
    void SetRegistry(const QString& body, bool utf16 = false);
    void SetDeviceIni(const QString& text);

private:
    QTemporaryDir dir;
};
