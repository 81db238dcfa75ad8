#pragma once

#include <QByteArrayView>
#include <QString>

// Text from a handheld arrives in the 8-bit code page of the computer that sent it: UTF-8
// from Linux, usually Windows-1252 from Windows. Valid UTF-8 is read as UTF-8, anything else
// as Windows-1252.
QString HandheldText(QByteArrayView bytes);
