// Feeds arbitrary bytes to the data-file scan and reads every payload it finds.
#include "saver/core/DataFileReader.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace glint::datafile;
    MemorySource source(data, size);
    ScanResult result = Scan(source);
    if (result.error != ScanError::None)
        return 0;
    std::vector<uint8_t> buffer;
    for (const Payload& p : result.contents.payloads) {
        // A payload that passed the scan lies wholly inside the file and has a
        // safe name. (An empty one may sit past the end of a truncated file.)
        if ((p.size != 0 && p.offset + p.size > size) || !IsSafeEntryName(p.name))
            std::abort();
        buffer.resize(p.size);
        if (p.size && !source.ReadAt(p.offset, buffer.data(), p.size))
            std::abort();
    }
    if (!IsSafeEntryName(result.contents.workName))
        std::abort();
    return 0;
}
