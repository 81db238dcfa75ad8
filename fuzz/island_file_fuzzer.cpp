// Island files and their names come from the handheld as they are.
#include "device/IslandFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IslandFile island;
    island.bytes.Append(data, static_cast<std::uint32_t>(size));
    ReadIslandHeader(island);
    std::u16string path;
    for (std::size_t i = 0; i + 1 < size && path.size() < 300; i += 2)
        path.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::int32_t number = IslandNumberFromPath(path);
    if (number < -1)
        __builtin_trap();
    return 0;
}
