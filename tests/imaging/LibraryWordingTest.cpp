// The picture libraries' wordings of a refusal, put plainly.
#include "imaging/decode/LibraryWording.h"

#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <jerror.h>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(LibraryWordingTest, JpegMessagesInPlainWords)
{
    const struct {
        int code;
        const char* library;
        const char* plain;
    } cases[] = {
        {JWRN_JPEG_EOF, "Premature end of JPEG file", "the JPEG file ends early"},
        {JERR_INPUT_EOF, "Premature end of input file", "the JPEG file ends early"},
        {JERR_NO_SOI, "Not a JPEG file: starts with 0x89 0x50", "not a JPEG file"},
        {JWRN_HUFF_BAD_CODE, "Corrupt JPEG data: bad Huffman code", "the JPEG file's picture data are damaged"},
        {JWRN_HIT_MARKER, "Corrupt JPEG data: premature end of data segment",
         "the JPEG file's picture data are damaged"},
        {JERR_BAD_HUFF_TABLE, "Bogus Huffman table definition", "the JPEG file's decoding tables are damaged"},
        {JERR_CONVERSION_NOTIMPL, "Unsupported color conversion request",
         "the JPEG file's colour space is not supported"},
        // Without plain words, nothing of the library's is lost.
        {JERR_EMPTY_IMAGE, "Empty JPEG image (DNL not supported)",
         "damaged JPEG file (Empty JPEG image (DNL not supported))"},
        {kOwnJpegMessage, "more than 500 scans", "damaged JPEG file (more than 500 scans)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JpegFailureReason(c.code, c.library), c.plain) << c.library;
}

TEST(LibraryWordingTest, GifErrorsInPlainWords)
{
    const struct {
        int code;
        const char* plain;
    } cases[] = {
        {D_GIF_ERR_READ_FAILED, "the GIF file is truncated"},
        {D_GIF_ERR_NO_SCRN_DSCR, "the GIF file is truncated inside its header"},
        {D_GIF_ERR_NOT_GIF_FILE, "not a GIF file"},
        {D_GIF_ERR_EOF_TOO_SOON, "the GIF picture's data end before its last pixel"},
        {D_GIF_ERR_IMAGE_DEFECT, "the GIF file's picture data are damaged"},
        {D_GIF_ERR_WRONG_RECORD, "damaged GIF file (unknown record)"},
        // Without plain words: the library's own, after "damaged GIF file".
        {D_GIF_ERR_NO_IMAG_DSCR, "damaged GIF file (no Image Descriptor detected)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GifFailureReason(c.code), c.plain) << c.code;
}

} // namespace
} // namespace quillmere
