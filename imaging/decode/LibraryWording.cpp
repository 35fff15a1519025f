#include "imaging/decode/LibraryWording.h"

#include <cctype>
#include <cstdio> // jpeglib.h uses FILE

#include <gif_lib.h>
#include <jpeglib.h>
#include <jerror.h>

namespace quillmere {

std::string JpegFailureReason(int messageCode, std::string_view libraryText)
{
    switch (messageCode) {
    case JWRN_JPEG_EOF:
    case JERR_INPUT_EOF:
        return "the JPEG file ends early";
    case JERR_INPUT_EMPTY:
        return "the JPEG file is empty";
    case JERR_NO_SOI:
        return "not a JPEG file";
    // Corrupt data in a scan.
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JERR_BAD_DCT_COEF:
        return "the JPEG file's picture data are damaged";
    // The tables its picture data are decoded with.
    case JERR_BAD_HUFF_TABLE:
    case JERR_NO_HUFF_TABLE:
    case JERR_HUFF_MISSING_CODE:
    case JERR_HUFF_CLEN_OVERFLOW:
    case JERR_DHT_INDEX:
    case JERR_NO_QUANT_TABLE:
    case JERR_DQT_INDEX:
    case JERR_NO_ARITH_TABLE:
        return "the JPEG file's decoding tables are damaged";
    case JERR_CONVERSION_NOTIMPL:
    case JERR_BAD_J_COLORSPACE:
        return "the JPEG file's colour space is not supported";
    case JERR_OUT_OF_MEMORY:
        return "not enough memory";
    default:
        return "damaged JPEG file (" + std::string(libraryText) + ")";
    }
}

std::string GifFailureReason(int errorCode)
{
    switch (errorCode) {
    case D_GIF_ERR_READ_FAILED:
        return "the GIF file is truncated";
    // Told as the file opens, for a file too short for the screen's
    // description (or, hardly ever, for want of memory for its colours).
    case D_GIF_ERR_NO_SCRN_DSCR:
        return "the GIF file is truncated inside its header";
    case D_GIF_ERR_NOT_GIF_FILE:
        return "not a GIF file";
    case D_GIF_ERR_EOF_TOO_SOON:
        return "the GIF picture's data end before its last pixel";
    case D_GIF_ERR_DATA_TOO_BIG:
    case D_GIF_ERR_IMAGE_DEFECT:
        return "the GIF file's picture data are damaged";
    case D_GIF_ERR_WRONG_RECORD:
        return "damaged GIF file (unknown record)";
    case D_GIF_ERR_NO_COLOR_MAP:
        return "the GIF picture has no colour table";
    case D_GIF_ERR_NOT_ENOUGH_MEM:
        return "not enough memory";
    default:
        break;
    }
    const char* text = GifErrorString(errorCode);
    std::string reason = text ? text : "unknown error";
    if (!reason.empty())
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    return "damaged GIF file (" + reason + ")";
}

} // namespace quillmere
