#pragma once

// A registry held in memory: the handheld's registry as a device image keeps it.
//
// The tree is stored flat so that a large registry costs little more than its text and nothing
// in it is recursive: keys and values are records in two arrays, their names and data live in
// two shared pools, and one hash table finds a key's sub-key or value by its name. Names are
// compared without regard to case.

#include "handheld/Handheld.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <vector>

class RegistryTree {
public:
    // A key of the tree: a number that stays valid as long as the tree.
    using Key = std::uint32_t;
    static constexpr Key kNoKey = 0xFFFFFFFFu;

    // A value as the tree holds it; the views stay valid until the tree changes.
    struct Value {
        QStringView name; // "" is the key's default value
        quint32 type = 0; // the registry's value type (1 text, 3 bytes, 4 number, ...)
        QByteArrayView data;
    };

    RegistryTree();

    // The key of a root; the roots are numbered in the order of the enum below.
    enum class Root { ClassesRoot, CurrentUser, LocalMachine, Users };
    static Key root(Root root) { return static_cast<Key>(root); }
    static Key root(RegistryRoot root);

    // Sub-key by name; kNoKey when absent (or when parent is).
    Key child(Key parent, QStringView name) const;
    Key childOrAdd(Key parent, QStringView name);

    // Every key, for walking the whole tree: keys are numbered from 0 to keyCount() - 1, and a
    // key's parent comes before it. A root has no parent; its name is "HKEY_...".
    Key keyCount() const { return static_cast<Key>(m_keys.size()); }
    Key parent(Key key) const;
    QStringView name(Key key) const;

    // Values keep the order in which they were first set.
    qsizetype valueCount(Key key) const;
    Value valueAt(Key key, qsizetype index) const;
    std::optional<Value> value(Key key, QStringView name) const;
    void setValue(Key key, QStringView name, quint32 type, QByteArrayView data);
    void removeValue(Key key, QStringView name);

private:
    struct Text {
        std::uint32_t begin = 0;
        std::uint32_t length = 0;
    };
    struct KeyRecord {
        Key parent;
        Text name;
    };
    struct ValueRecord {
        Key owner; // kNoKey once removed
        Text name;
        quint32 type;
        Text data;
    };

    // Index entries name a key, or a value with kValueBit set.
    static constexpr std::uint32_t kValueBit = 0x80000000u;

    std::uint32_t find(Key owner, bool isValue, QStringView name) const;
    void insert(Key owner, bool isValue, QStringView name, std::uint32_t entry);
    bool matches(std::uint32_t entry, Key owner, bool isValue, QStringView name) const;
    Value valueOf(const ValueRecord& record) const;
    static std::optional<Text> store(QString& pool, QStringView text);
    static std::optional<Text> store(QByteArray& pool, QByteArrayView bytes);
    void sortValues() const;

    std::vector<KeyRecord> m_keys;
    std::vector<ValueRecord> m_values;
    QString m_names;
    QByteArray m_data;
    // Hash of (owner, kind, folded name), probed upwards to the next free number: entry.
    QHash<std::uint32_t, std::uint32_t> m_index;

    // The live values of each key in order: m_valueOrder[m_valueBegin[k] .. m_valueBegin[k + 1]).
    // Rebuilt on the first read after a change.
    mutable std::vector<std::uint32_t> m_valueOrder;
    mutable std::vector<std::uint32_t> m_valueBegin;
    mutable bool m_valuesSorted = true;
};
