#include "handheld/RegistryTree.h"

#include <QVarLengthArray>
#include <limits>

namespace {

constexpr std::uint32_t kMaxPool = std::numeric_limits<std::uint32_t>::max();

// Code points of text, folded as QString::compare(Qt::CaseInsensitive) folds them.
using Folded = QVarLengthArray<char32_t, 64>;

Folded fold(QStringView text) {
    Folded folded;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[++i].unicode());
        folded.append(QChar::toCaseFolded(c));
    }
    return folded;
}

std::uint32_t foldedHash(std::uint32_t owner, bool isValue, QStringView name) {
    const Folded folded = fold(name);
    const QByteArrayView bytes(reinterpret_cast<const char*>(folded.constData()),
                               folded.size() * qsizetype(sizeof(char32_t)));
    return static_cast<std::uint32_t>(qHashMulti(QHashSeed::globalSeed(), owner, isValue, bytes));
}

bool foldedEqual(QStringView a, QStringView b) {
    return a.size() == b.size() && fold(a) == fold(b);
}

} // namespace

RegistryTree::RegistryTree() {
    for (const char* rootName :
         {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"})
        m_keys.push_back(KeyRecord{kNoKey, *store(m_names, QString::fromLatin1(rootName))});
    m_valuesSorted = false;
}

RegistryTree::Key RegistryTree::root(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? RegistryTree::root(Root::CurrentUser)
                                             : RegistryTree::root(Root::LocalMachine);
}

RegistryTree::Key RegistryTree::parent(Key key) const {
    return key < m_keys.size() ? m_keys[key].parent : kNoKey;
}

QStringView RegistryTree::name(Key key) const {
    if (key >= m_keys.size())
        return {};
    return QStringView(m_names).sliced(m_keys[key].name.begin, m_keys[key].name.length);
}

RegistryTree::Key RegistryTree::child(Key parent, QStringView name) const {
    if (parent >= m_keys.size())
        return kNoKey;
    return find(parent, false, name);
}

RegistryTree::Key RegistryTree::childOrAdd(Key parent, QStringView name) {
    if (parent >= m_keys.size())
        return kNoKey;
    if (const Key found = find(parent, false, name); found != kNoKey)
        return found;
    const auto text = store(m_names, name);
    if (!text || m_keys.size() >= kValueBit)
        return kNoKey;
    const auto key = static_cast<Key>(m_keys.size());
    m_keys.push_back(KeyRecord{parent, *text});
    insert(parent, false, name, key);
    m_valuesSorted = false;
    return key;
}

qsizetype RegistryTree::valueCount(Key key) const {
    if (key >= m_keys.size())
        return 0;
    sortValues();
    return m_valueBegin[key + 1] - m_valueBegin[key];
}

RegistryTree::Value RegistryTree::valueAt(Key key, qsizetype index) const {
    if (index < 0 || index >= valueCount(key))
        return {};
    return valueOf(m_values[m_valueOrder[m_valueBegin[key] + index]]);
}

std::optional<RegistryTree::Value> RegistryTree::value(Key key, QStringView name) const {
    if (key >= m_keys.size())
        return std::nullopt;
    const std::uint32_t found = find(key, true, name);
    if (found == kNoKey)
        return std::nullopt;
    return valueOf(m_values[found & ~kValueBit]);
}

RegistryTree::Value RegistryTree::valueOf(const ValueRecord& record) const {
    return Value{QStringView(m_names).sliced(record.name.begin, record.name.length), record.type,
                 QByteArrayView(m_data).sliced(record.data.begin, record.data.length)};
}

void RegistryTree::setValue(Key key, QStringView name, quint32 type, QByteArrayView bytes) {
    if (key >= m_keys.size())
        return;
    const auto stored = store(m_data, bytes);
    if (!stored)
        return;
    // A value set again keeps its place; the bytes it had stay unused in the pool.
    if (const std::uint32_t found = find(key, true, name); found != kNoKey) {
        ValueRecord& value = m_values[found & ~kValueBit];
        value.type = type;
        value.data = *stored;
        return;
    }
    const auto text = store(m_names, name);
    if (!text || m_values.size() >= kValueBit)
        return;
    const auto entry = static_cast<std::uint32_t>(m_values.size()) | kValueBit;
    m_values.push_back(ValueRecord{key, *text, type, *stored});
    insert(key, true, name, entry);
    m_valuesSorted = false;
}

void RegistryTree::removeValue(Key key, QStringView name) {
    if (key >= m_keys.size())
        return;
    // The record stays as a tombstone, so that the index entries probed past it stay found.
    if (const std::uint32_t found = find(key, true, name); found != kNoKey) {
        m_values[found & ~kValueBit].owner = kNoKey;
        m_valuesSorted = false;
    }
}

bool RegistryTree::matches(std::uint32_t entry, Key owner, bool isValue, QStringView name) const {
    if (((entry & kValueBit) != 0) != isValue)
        return false;
    const std::uint32_t number = entry & ~kValueBit;
    const Key entryOwner = isValue ? m_values[number].owner : m_keys[number].parent;
    const Text text = isValue ? m_values[number].name : m_keys[number].name;
    return entryOwner == owner &&
           foldedEqual(QStringView(m_names).sliced(text.begin, text.length), name);
}

std::uint32_t RegistryTree::find(Key owner, bool isValue, QStringView name) const {
    for (std::uint32_t slot = foldedHash(owner, isValue, name);; ++slot) {
        const auto it = m_index.constFind(slot);
        if (it == m_index.constEnd())
            return kNoKey;
        if (matches(*it, owner, isValue, name))
            return *it;
    }
}

void RegistryTree::insert(Key owner, bool isValue, QStringView name, std::uint32_t entry) {
    std::uint32_t slot = foldedHash(owner, isValue, name);
    while (m_index.contains(slot))
        ++slot;
    m_index.insert(slot, entry);
}

std::optional<RegistryTree::Text> RegistryTree::store(QString& pool, QStringView text) {
    if (text.size() > qsizetype(kMaxPool) - pool.size())
        return std::nullopt;
    const Text stored{static_cast<std::uint32_t>(pool.size()),
                      static_cast<std::uint32_t>(text.size())};
    pool.append(text);
    return stored;
}

std::optional<RegistryTree::Text> RegistryTree::store(QByteArray& pool, QByteArrayView bytes) {
    if (bytes.size() > qsizetype(kMaxPool) - pool.size())
        return std::nullopt;
    const Text stored{static_cast<std::uint32_t>(pool.size()),
                      static_cast<std::uint32_t>(bytes.size())};
    pool.append(bytes);
    return stored;
}

// Counting sort of the live values by key, keeping the order in which they were first set.
void RegistryTree::sortValues() const {
    if (m_valuesSorted)
        return;
    m_valueBegin.assign(m_keys.size() + 1, 0);
    for (const ValueRecord& value : m_values)
        if (value.owner != kNoKey)
            ++m_valueBegin[value.owner + 1];
    for (std::size_t k = 1; k < m_valueBegin.size(); ++k)
        m_valueBegin[k] += m_valueBegin[k - 1];
    m_valueOrder.resize(m_valueBegin.back());
    std::vector<std::uint32_t> next(m_valueBegin.begin(), m_valueBegin.end() - 1);
    for (std::size_t v = 0; v < m_values.size(); ++v)
        if (m_values[v].owner != kNoKey)
            m_valueOrder[next[m_values[v].owner]++] = static_cast<std::uint32_t>(v);
    m_valuesSorted = true;
}
