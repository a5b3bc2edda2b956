// Skin container and store. The first byte chooses what the rest is: odd, a
// container as it comes from a resource (the LZO step sees the mutations);
// even, an uncompressed skin file, which is compressed here first so that the
// loader's parsing gets mutations that survive decompression. A loaded skin
// is also saved and looked up, as the runtime and skinc would.
#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace glint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > (8u << 20))
        return 0;
    const bool isContainer = data[0] & 1;
    ++data;
    --size;
    std::vector<uint8_t> container;
    if (isContainer)
        container.assign(data, data + size);
    else if (!CompressContainer(data, uint32_t(size), container))
        return 0;

    CSkinStream stream(container.data(), uint32_t(container.size()), SKIN_STREAM_GROW_STEP);
    CSkinStore store;
    if (!store.Load(stream))
        return 0;
    store.FindByName("Close");
    store.FindByName("no such name");
    for (uint32_t code : {1u, 17u, 24u, 25u})
        store.FindByType(code);
    for (const auto& [name, image] : store.Images())
        store.FindImage(name);
    CSkinStream saved;
    store.Save(saved);
    store.Unload();
    return 0;
}
