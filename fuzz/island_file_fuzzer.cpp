// Island files and their names come from the handheld as they are. The header texts must stay
// within their fields, and the island number must follow the file name rules. A mismatch stops
// the run.
#include "device/IslandFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

// A text of the unmasked header: the bytes of its field up to the first NUL.
void CheckHeaderText(const std::string& text, const std::uint8_t* file, std::size_t begin,
                     std::size_t fieldBytes) {
    Check(text.size() <= fieldBytes && text.find('\0') == std::string::npos);
    for (std::size_t i = 0; i < text.size(); ++i)
        Check(std::uint8_t(text[i]) == (file[begin + i] ^ kIslandHeaderMask));
    Check(text.size() == fieldBytes || (file[begin + text.size()] ^ kIslandHeaderMask) == 0);
}

// The number a file name gives: the decimal extension at the end of the name, where leading
// zeros only count in "0" itself; -1 when there is none or it does not fit in 32 bits.
std::int32_t ExpectedNumber(std::u16string_view path) {
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
    IslandFile island;
    island.bytes.Append(data, static_cast<std::uint32_t>(size));
    const bool hasHeader = ReadIslandHeader(island);
    Check(hasHeader == (size >= kIslandHeaderBytes));
    if (hasHeader) {
        CheckHeaderText(island.name, data, 12, 15);
        CheckHeaderText(island.text2, data, 28, 63);
    } else {
        Check(island.name.empty() && island.text2.empty());
    }

    std::u16string path;
    for (std::size_t i = 0; i + 1 < size && path.size() < 300; i += 2)
        path.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    Check(IslandNumberFromPath(path) == ExpectedNumber(path));
    return 0;
}
