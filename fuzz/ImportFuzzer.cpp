// The whole import of a picture file: decoding, then the surface, palette and
// index buffer made from it. A clear error is a fine outcome; a crash, a
// sanitizer report, a hang or an allocation past the limit is not.
#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillmere;
    // Pictures of up to 16 MB keep each run quick; the size rule itself is the
    // same code at any limit.
    DecodeLimits limits;
    limits.MaxSurfaceBytes = std::int64_t{16} << 20;
    try {
        DecodedPicture picture = DecodePicture({data, size}, "input", limits);
        cDIB dib;
        cDIBPal pal;
        cDIBDither dither;
        dib.CreateFromStdPicture(&picture, pal, dither);
    } catch (const Error&) {
    }
    return 0;
}
