// The picture on the Logo Creator's canvas as the computer would show it at
// start-up, made in memory: no file is written.
#pragma once

#include "preview/BootScreen.h"

#include <cstdint>

namespace quillmere {

class cDIB;
class cDIBPal;
class cDIBDither;

// The boot screen of the bitmap "Save Logo" would write for DIB at bpp bits
// with the animation byte firstAnimated (after "Create Logo": 8 bits, moving
// when the logo made has an animation). Throws Error when DIB holds no
// picture, and what the writer and the reader throw.
BootScreen CanvasBootScreen(const cDIB& DIB, const cDIBPal& Pal, const cDIBDither& Dither, std::uint8_t bpp,
                            std::uint8_t firstAnimated);

} // namespace quillmere
