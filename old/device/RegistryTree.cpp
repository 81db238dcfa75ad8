#include "device/RegistryTree.h"

#include <QVarLengthArray>
#include <limits>

namespace {

constexpr std::uint32_t kMaxPool = std::numeric_limits<std::uint32_t>::max();

// Code points of text, folded as QString::compare(Qt::CaseInsensitive) folds them.
template <typename F> void ForEachFolded(QStringView text, F&& take) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[++i].unicode());
        take(QChar::toCaseFolded(c));
    }
}

using Folded = QVarLengthArray<char32_t, 64>;

Folded Fold(QStringView text) {
    Folded folded;
    ForEachFolded(text, [&](char32_t c) { folded.append(c); });
    return folded;
}

std::uint32_t FoldedHash(std::uint32_t owner, bool value, QStringView name) {
    const Folded folded = Fold(name);
    const QByteArrayView bytes(reinterpret_cast<const char*>(folded.constData()),
                               folded.size() * qsizetype(sizeof(char32_t)));
    return static_cast<std::uint32_t>(qHashMulti(QHashSeed::globalSeed(), owner, value, bytes));
}

bool FoldedEqual(QStringView a, QStringView b) {
    return a.size() == b.size() && Fold(a) == Fold(b);
}

} // namespace

RegistryTree::RegistryTree() {
    for (const char* root :
         {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"})
        keys.push_back(KeyRecord{kNoRegistryKey, *Store(names, QString::fromLatin1(root))});
    valuesSorted = false;
}

RegistryKey RegistryTree::Root(rapi::HKEY key) const {
    if (key < rapi::HKEY_CLASSES_ROOT || key > rapi::HKEY_USERS)
        return kNoRegistryKey;
    return static_cast<RegistryKey>(key - rapi::HKEY_CLASSES_ROOT);
}

RegistryKey RegistryTree::Parent(RegistryKey key) const {
    return key < keys.size() ? keys[key].parent : kNoRegistryKey;
}

QStringView RegistryTree::Name(RegistryKey key) const {
    if (key >= keys.size())
        return {};
    return QStringView(names).sliced(keys[key].name.begin, keys[key].name.length);
}

RegistryKey RegistryTree::Child(RegistryKey parent, QStringView name) const {
    if (parent >= keys.size())
        return kNoRegistryKey;
    return Find(parent, false, name);
}

RegistryKey RegistryTree::ChildOrAdd(RegistryKey parent, QStringView name) {
    if (parent >= keys.size())
        return kNoRegistryKey;
    if (const RegistryKey found = Find(parent, false, name); found != kNoRegistryKey)
        return found;
    const auto text = Store(names, name);
    if (!text || keys.size() >= kValueBit)
        return kNoRegistryKey;
    const auto key = static_cast<RegistryKey>(keys.size());
    keys.push_back(KeyRecord{parent, *text});
    Insert(parent, false, name, key);
    valuesSorted = false;
    return key;
}

qsizetype RegistryTree::ValueCount(RegistryKey key) const {
    if (key >= keys.size())
        return 0;
    SortValues();
    return valueBegin[key + 1] - valueBegin[key];
}

RegistryValue RegistryTree::ValueAt(RegistryKey key, qsizetype index) const {
    if (index < 0 || index >= ValueCount(key))
        return {};
    const ValueRecord& value = values[valueOrder[valueBegin[key] + index]];
    return RegistryValue{QStringView(names).sliced(value.name.begin, value.name.length), value.type,
                         QByteArrayView(data).sliced(value.data.begin, value.data.length)};
}

std::optional<RegistryValue> RegistryTree::Value(RegistryKey key, QStringView name) const {
    if (key >= keys.size())
        return std::nullopt;
    const std::uint32_t found = Find(key, true, name);
    if (found == kNoRegistryKey)
        return std::nullopt;
    const ValueRecord& value = values[found & ~kValueBit];
    return RegistryValue{QStringView(names).sliced(value.name.begin, value.name.length), value.type,
                         QByteArrayView(data).sliced(value.data.begin, value.data.length)};
}

void RegistryTree::SetValue(RegistryKey key, QStringView name, rapi::DWORD type,
                            QByteArrayView bytes) {
    if (key >= keys.size())
        return;
    const auto stored = Store(data, bytes);
    if (!stored)
        return;
    // A value set again keeps its place; the bytes it had stay unused in the pool.
    if (const std::uint32_t found = Find(key, true, name); found != kNoRegistryKey) {
        ValueRecord& value = values[found & ~kValueBit];
        value.type = type;
        value.data = *stored;
        return;
    }
    const auto text = Store(names, name);
    if (!text || values.size() >= kValueBit)
        return;
    const auto entry = static_cast<std::uint32_t>(values.size()) | kValueBit;
    values.push_back(ValueRecord{key, *text, type, *stored});
    Insert(key, true, name, entry);
    valuesSorted = false;
}

void RegistryTree::RemoveValue(RegistryKey key, QStringView name) {
    if (key >= keys.size())
        return;
    // The record stays as a tombstone, so that the index entries probed past it stay found.
    if (const std::uint32_t found = Find(key, true, name); found != kNoRegistryKey) {
        values[found & ~kValueBit].owner = kNoRegistryKey;
        valuesSorted = false;
    }
}

bool RegistryTree::Matches(std::uint32_t entry, RegistryKey owner, bool value,
                           QStringView name) const {
    if (((entry & kValueBit) != 0) != value)
        return false;
    const std::uint32_t number = entry & ~kValueBit;
    const RegistryKey entryOwner = value ? values[number].owner : keys[number].parent;
    const Text text = value ? values[number].name : keys[number].name;
    return entryOwner == owner &&
           FoldedEqual(QStringView(names).sliced(text.begin, text.length), name);
}

std::uint32_t RegistryTree::Find(RegistryKey owner, bool value, QStringView name) const {
    for (std::uint32_t slot = FoldedHash(owner, value, name);; ++slot) {
        const auto it = index.constFind(slot);
        if (it == index.constEnd())
            return kNoRegistryKey;
        if (Matches(*it, owner, value, name))
            return *it;
    }
}

void RegistryTree::Insert(RegistryKey owner, bool value, QStringView name, std::uint32_t entry) {
    std::uint32_t slot = FoldedHash(owner, value, name);
    while (index.contains(slot))
        ++slot;
    index.insert(slot, entry);
}

std::optional<RegistryTree::Text> RegistryTree::Store(QString& pool, QStringView text) {
    if (text.size() > qsizetype(kMaxPool) - pool.size())
        return std::nullopt;
    const Text stored{static_cast<std::uint32_t>(pool.size()),
                      static_cast<std::uint32_t>(text.size())};
    pool.append(text);
    return stored;
}

std::optional<RegistryTree::Text> RegistryTree::Store(QByteArray& pool, QByteArrayView bytes) {
    if (bytes.size() > qsizetype(kMaxPool) - pool.size())
        return std::nullopt;
    const Text stored{static_cast<std::uint32_t>(pool.size()),
                      static_cast<std::uint32_t>(bytes.size())};
    pool.append(bytes);
    return stored;
}

// Counting sort of the live values by key, keeping the order in which they were first set.
void RegistryTree::SortValues() const {
    if (valuesSorted)
        return;
    valueBegin.assign(keys.size() + 1, 0);
    for (const ValueRecord& value : values)
        if (value.owner != kNoRegistryKey)
            ++valueBegin[value.owner + 1];
    for (std::size_t k = 1; k < valueBegin.size(); ++k)
        valueBegin[k] += valueBegin[k - 1];
    valueOrder.resize(valueBegin.back());
    std::vector<std::uint32_t> next(valueBegin.begin(), valueBegin.end() - 1);
    for (std::size_t v = 0; v < values.size(); ++v)
        if (values[v].owner != kNoRegistryKey)
            valueOrder[next[values[v].owner]++] = static_cast<std::uint32_t>(v);
    valuesSorted = true;
}
