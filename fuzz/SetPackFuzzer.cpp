// A logo pack read from a zip: the directory examined, the logos picked and
// inflated. A clear error is a fine outcome; a crash, a sanitizer report, a
// hang or an allocation past the zip limits is not.
#include "imaging/Errors.h"
#include "manager/SetArchive.h"

#include <cstddef>
#include <cstdint>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillmere;
    try {
        ReadSetPack({data, size}, "input", std::nullopt);
    }
    catch (const Error&) {
    }
    return 0;
}
