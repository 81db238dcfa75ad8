// Registry editor exports come from device images that anyone can hand the program.
#include "device/RegistryFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RegistryTree tree;
    ParseRegistryFile(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                      tree);
    if (const RegistryKeyNode* key = tree.localMachine.Child(QStringLiteral("k")))
        (void)key->Values().size();
    return 0;
}
