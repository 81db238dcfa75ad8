#pragma once

// The handheld's registry as a device image keeps it: a file in the desktop registry editor's
// export format ("Windows Registry Editor Version 5.00" or "REGEDIT4"; UTF-16LE after its byte
// order mark, else UTF-8 with or without one), read into a tree.

#include "handheld/RegistryTree.h"

#include <QByteArrayView>

// The limits of the handheld's registry that an export is held to: a key name has at most 255
// characters, and a key lies at most 32 levels below its root key.
inline constexpr qsizetype kMaxRegistryKeyNameChars = 255;
inline constexpr qsizetype kMaxRegistryKeyLevels = 32;

struct RegistryFileRead {
    bool isExport = false;     // false: no export header, and the tree was left as it was
    qsizetype refusedKeys = 0; // sections of keys beyond the limits above, left out
};

// Reads an export into tree. Lines that cannot be read are skipped, and so are the sections of
// keys beyond the limits above.
RegistryFileRead readRegistryFile(QByteArrayView bytes, RegistryTree& tree);
