// Island files and their names come from the handheld as they are. The header texts must stay
// within their fields, and the island number must follow the file name rules. A mismatch stops
// the run.
#include "formats/IslandFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

// A text of the unmasked header: the bytes of its field up to the first NUL.
void checkHeaderText(const QByteArray& text, const std::uint8_t* file, std::size_t begin,
                     std::size_t fieldBytes) {
    check(std::size_t(text.size()) <= fieldBytes && !text.contains('\0'));
    for (qsizetype i = 0; i < text.size(); ++i)
        check(std::uint8_t(text[i]) == (file[begin + i] ^ 0x6D));
    check(std::size_t(text.size()) == fieldBytes || (file[begin + text.size()] ^ 0x6D) == 0);
}

// The number a file name gives: the decimal extension at the end of the name, where leading
// zeros only count in "0" itself; -1 when there is none or it does not fit in 32 bits.
std::int32_t expectedNumber(std::u16string_view path) {
    const std::size_t dot = path.find_last_not_of(u"0123456789");
    if (dot == std::u16string_view::npos || path[dot] != u'.' || dot + 1 == path.size())
        return -1;
    std::u16string_view digits = path.substr(dot + 1);
    const std::size_t first = digits.find_first_not_of(u'0');
    if (first == std::u16string_view::npos)
        return digits.size() == 1 ? 0 : -1;
    digits.remove_prefix(first);
    if (digits.size() > 10)
        return -1;
    std::int64_t value = 0;
    for (const char16_t c : digits)
        value = value * 10 + (c - u'0');
    return value > std::numeric_limits<std::int32_t>::max() ? -1 : std::int32_t(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto header =
        readIslandHeader(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    check(header.has_value() == (qsizetype(size) >= kIslandHeaderBytes));
    if (header) {
        checkHeaderText(header->name, data, 12, 15);
        checkHeaderText(header->id, data, 28, 63);
    }

    std::u16string name;
    for (std::size_t i = 0; i + 1 < size && name.size() < 300; i += 2)
        name.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    check(islandNumber(QStringView(name)) == expectedNumber(name));
    return 0;
}
