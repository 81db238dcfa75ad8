#pragma once

// A registry held in memory: the handheld's registry of a device image, or of a test double.
//
// The tree is stored flat so that a large registry costs little more than its text and nothing
// in it is recursive: keys and values are records in two arrays, their names and data live in
// two shared pools, and one hash table finds a key's sub-key or value by its name. Names are
// compared without regard to case.

#include "device/RapiTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

// A key of a RegistryTree: a number that stays valid as long as the tree.
using RegistryKey = std::uint32_t;
inline constexpr RegistryKey kNoRegistryKey = 0xFFFFFFFFu;

// A value as the tree holds it; the views stay valid until the tree changes.
struct RegistryValue {
    QStringView name; // "" is the key's default value
    rapi::DWORD type = rapi::REG_NONE;
    QByteArrayView data;
};

class RegistryTree {
public:
    RegistryTree();

    // The key of a predefined root key, or kNoRegistryKey for any other handle value.
    RegistryKey Root(rapi::HKEY key) const;
    // Sub-key by name; kNoRegistryKey when absent (or when parent is).
    RegistryKey Child(RegistryKey parent, QStringView name) const;
    RegistryKey ChildOrAdd(RegistryKey parent, QStringView name);

    // Every key, for walking the whole tree: keys are numbered from 0 to KeyCount() - 1, and a
    // key's parent comes before it. A root has no parent; its name is "HKEY_...".
    RegistryKey KeyCount() const { return static_cast<RegistryKey>(keys.size()); }
    RegistryKey Parent(RegistryKey key) const;
    QStringView Name(RegistryKey key) const;

    // Values keep the order in which they were first set.
    qsizetype ValueCount(RegistryKey key) const;
    RegistryValue ValueAt(RegistryKey key, qsizetype index) const;
    std::optional<RegistryValue> Value(RegistryKey key, QStringView name) const;
    void SetValue(RegistryKey key, QStringView name, rapi::DWORD type, QByteArrayView data);
    void RemoveValue(RegistryKey key, QStringView name);

private:
    struct Text {
        std::uint32_t begin = 0;
        std::uint32_t length = 0;
    };
    struct KeyRecord {
        RegistryKey parent;
        Text name;
    };
    struct ValueRecord {
        RegistryKey owner; // kNoRegistryKey once removed
        Text name;
        rapi::DWORD type;
        Text data;
    };

    // Index entries name a key, or a value with kValueBit set.
    static constexpr std::uint32_t kValueBit = 0x80000000u;

    std::uint32_t Find(RegistryKey owner, bool value, QStringView name) const;
    void Insert(RegistryKey owner, bool value, QStringView name, std::uint32_t entry);
    bool Matches(std::uint32_t entry, RegistryKey owner, bool value, QStringView name) const;
    std::optional<Text> Store(QString& pool, QStringView text);
    std::optional<Text> Store(QByteArray& pool, QByteArrayView bytes);
    void SortValues() const;

    std::vector<KeyRecord> keys;
    std::vector<ValueRecord> values;
    QString names;
    QByteArray data;
    // Hash of (owner, kind, folded name), probed upwards to the next free number: entry.
    QHash<std::uint32_t, std::uint32_t> index;

    // The live values of each key in order: valueOrder[valueBegin[k] .. valueBegin[k + 1]).
    // Rebuilt on the first read after a change.
    mutable std::vector<std::uint32_t> valueOrder;
    mutable std::vector<std::uint32_t> valueBegin;
    mutable bool valuesSorted = true;
};
