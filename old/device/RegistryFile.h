#pragma once

// The handheld's registry as kept in a device image: a file in the desktop registry editor's
// export format ("Windows Registry Editor Version 5.00" or "REGEDIT4"), read into a tree.

#include "device/RegistryTree.h"

#include <QByteArrayView>

// The limits of the handheld's registry that an export is held to: a key name has at most 255
// characters, and a key lies at most 32 levels below its root key.
inline constexpr qsizetype kMaxRegistryKeyNameChars = 255;
inline constexpr qsizetype kMaxRegistryKeyLevels = 32;

// Reads an export into tree. Lines that cannot be read are skipped, and so are the sections of
// keys beyond the limits above, which are counted in *refusedKeys. A text without the export
// header gives false and leaves the tree unchanged.
bool ParseRegistryFile(QByteArrayView bytes, RegistryTree& tree, qsizetype* refusedKeys = nullptr);
