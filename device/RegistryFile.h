#pragma once

// The handheld's registry as kept in a device image: a file in the desktop registry editor's
// export format ("Windows Registry Editor Version 5.00" or "REGEDIT4"), read into a tree.

#include "device/RapiTypes.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <map>
#include <memory>
#include <vector>

struct RegistryValue {
    QString name; // "" is the key's default value
    rapi::DWORD type = rapi::REG_NONE;
    QByteArray data;
};

class RegistryKeyNode {
public:
    // Sub-key by name, compared without regard to case; null when absent.
    RegistryKeyNode* Child(const QString& name) const;
    RegistryKeyNode* ChildOrAdd(const QString& name);

    // Values keep the order in which they were first set.
    const std::vector<RegistryValue>& Values() const { return values; }
    const RegistryValue* Value(const QString& name) const;
    void SetValue(RegistryValue value);
    void RemoveValue(const QString& name);

private:
    std::map<QString, std::unique_ptr<RegistryKeyNode>> children; // keyed by folded name
    std::vector<RegistryValue> values;
    QHash<QString, std::size_t> valueIndex; // folded name -> position in values
};

struct RegistryTree {
    RegistryKeyNode classesRoot;
    RegistryKeyNode currentUser;
    RegistryKeyNode localMachine;
    RegistryKeyNode users;

    // The node of a predefined root key, or null for any other handle value.
    RegistryKeyNode* Root(rapi::HKEY key);
};

// Reads an export into tree. Lines that cannot be read are skipped; a text without the
// export header gives false and leaves the tree unchanged.
bool ParseRegistryFile(const QByteArray& bytes, RegistryTree& tree);
