#include "imaging/decode/JpegReader.h"

#include "imaging/Errors.h"
#include "imaging/NearestPixel.h"
#include "imaging/decode/DecodeSupport.h"
#include "imaging/decode/ExifOrientation.h"
#include "imaging/decode/LibraryWording.h"

#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quillmere {

namespace {

// A progressive stream may hold any number of scans; real files have at most a
// few dozen, crafted ones thousands that each rework the whole picture.
constexpr int kMaxScans = 500;

// What may come before the first scan: the frame header and tables, and the
// markers of cameras and editors (EXIF, colour profiles, XMP), a few hundred
// kilobytes in real photos. Anything may follow a file's first bytes, so past
// this the file is refused rather than read to its end: the library looks at
// every byte that is not in a marker it skips, gigabytes of them for a crafted
// file, and the header is all "info" needs.
constexpr std::uint64_t kMaxHeaderBytes = 4u << 20;
constexpr const char* kMaxHeaderText = "4 MB";

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are corrupt data (a premature end of the file above all), which the
// library would paper over with grey. Let pass only those that leave every pixel
// as it should be: stray bytes between segments, and a JFIF version number other
// than 1 or 2 (0.00 from some writers), which decoding never reads.
void OnMessage(j_common_ptr cinfo, int level)
{
    const int code = cinfo->err->msg_code;
    if (level < 0 && code != JWRN_EXTRANEOUS_DATA && code != JWRN_JFIF_MAJOR)
        OnError(cinfo);
}

void OnProgress(j_common_ptr cinfo)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        err->pub.msg_code = kOwnJpegMessage;
        std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

// The compressed bytes, from a stream or from memory, handed to the library a
// piece at a time so that what comes before the first scan is counted.
struct Source {
    jpeg_source_mgr pub;
    std::FILE* stream = nullptr;
    const std::uint8_t* data = nullptr; // memory, when there is no stream
    std::size_t size = 0, at = 0;
    std::uint64_t consumed = 0; // bytes handed over or skipped
    std::uint64_t limit = kMaxHeaderBytes; // lifted once the header is read
    int readError = 0; // the errno of a stream that could not be read
    JOCTET buffer[4096];
};

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    Source source;
    bool created = false;
    // From the first EXIF block alone: the rest are skipped unread, so a file of
    // thousands of them costs no more than one.
    bool sawExif = false;
    std::uint8_t orientation = 1;

    ~Decoder()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// Refuses to go on when the bytes counted so far reach the limit (more: need
// more than it). Nothing here has a destructor: the jump leaves it.
void CheckLimit(j_decompress_ptr cinfo, const Source& s, bool more)
{
    if (more ? s.consumed < s.limit : s.consumed <= s.limit)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.msg_code = kOwnJpegMessage;
    // The frame header (SOF) sets the components; none yet: no frame header.
    std::snprintf(err->message, sizeof err->message, "%s in its first %s",
                  cinfo->comp_info ? "no scan" : "no frame header", kMaxHeaderText);
    std::longjmp(err->jump, 1);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo)
{
    auto& s = *reinterpret_cast<Source*>(cinfo->src);
    CheckLimit(cinfo, s, true);
    // Never a byte past the limit.
    const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(s.limit - s.consumed, std::size_t{1} << 16));
    std::size_t n = 0;
    if (s.stream) {
        n = std::fread(s.buffer, 1, std::min(sizeof s.buffer, room), s.stream);
        s.pub.next_input_byte = s.buffer;
        if (n == 0 && std::ferror(s.stream)) {
            // Not an early end: the file is there but cannot be read.
            s.readError = errno != 0 ? errno : EIO;
            auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
            err->pub.msg_code = kOwnJpegMessage;
            std::longjmp(err->jump, 1);
        }
    } else {
        n = std::min(s.size - s.at, room);
        s.pub.next_input_byte = s.data + s.at;
        s.at += n;
    }
    if (n == 0) {
        // As the library's own sources do: a warning (which OnMessage makes an
        // error), and an end-of-image marker in place of the missing bytes.
        if (s.consumed == 0)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
        s.pub.next_input_byte = kEnd;
        n = 2;
    }
    s.pub.bytes_in_buffer = n;
    s.consumed += n;
    return TRUE;
}

// Marker segments the library does not want are skipped: by a seek in a
// stream, so that they are never read.
void SkipInput(j_decompress_ptr cinfo, long count)
{
    auto& s = *reinterpret_cast<Source*>(cinfo->src);
    if (count <= 0)
        return;
    auto rest = static_cast<std::uint64_t>(count);
    if (rest <= s.pub.bytes_in_buffer) {
        s.pub.next_input_byte += rest;
        s.pub.bytes_in_buffer -= rest;
        return;
    }
    rest -= s.pub.bytes_in_buffer;
    s.pub.bytes_in_buffer = 0;
    s.consumed += rest;
    CheckLimit(cinfo, s, false);
    if (!s.stream) {
        s.at += static_cast<std::size_t>(std::min<std::uint64_t>(rest, s.size - s.at));
        return;
    }
    if (std::fseek(s.stream, static_cast<long>(rest), SEEK_CUR) == 0)
        return;
    // A stream that cannot seek is read through.
    while (rest > 0) {
        const std::size_t got = std::fread(s.buffer, 1, std::min<std::uint64_t>(rest, sizeof s.buffer), s.stream);
        if (got == 0)
            return; // the next fill reports the end
        rest -= got;
    }
}

bool NextByte(j_decompress_ptr cinfo, unsigned& value)
{
    jpeg_source_mgr* src = cinfo->src;
    if (src->bytes_in_buffer == 0 && !(*src->fill_input_buffer)(cinfo))
        return false;
    --src->bytes_in_buffer;
    value = *src->next_input_byte++;
    return true;
}

// APP1: the first EXIF block is read for its orientation; every other APP1
// (later EXIF blocks, XMP) is skipped. Nothing is kept.
boolean OnApp1(j_decompress_ptr cinfo)
{
    auto& d = *static_cast<Decoder*>(cinfo->client_data);
    unsigned high = 0, low = 0;
    if (!NextByte(cinfo, high) || !NextByte(cinfo, low))
        return FALSE;
    const long length = static_cast<long>(high << 8 | low) - 2; // the length counts its own two bytes
    if (length < 0)
        ERREXIT(cinfo, JERR_BAD_LENGTH);
    static constexpr std::uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
    long got = 0;
    if (!d.sawExif && length >= 6) {
        std::uint8_t id[6];
        for (; got < 6; ++got) {
            unsigned byte = 0;
            if (!NextByte(cinfo, byte))
                return FALSE;
            id[got] = static_cast<std::uint8_t>(byte);
        }
        if (std::memcmp(id, kExifId, 6) == 0) {
            d.sawExif = true;
            // At most 65533 bytes, once, in the decoder's own memory.
            auto* block = static_cast<std::uint8_t*>(
                (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                           static_cast<std::size_t>(length)));
            std::memcpy(block, kExifId, 6);
            for (; got < length; ++got) {
                unsigned byte = 0;
                if (!NextByte(cinfo, byte))
                    return FALSE;
                block[got] = static_cast<std::uint8_t>(byte);
            }
            d.orientation = ReadExifOrientation({block, static_cast<std::size_t>(length)});
        }
    }
    (*cinfo->src->skip_input_data)(cinfo, length - got);
    return TRUE;
}

// The setjmp stays in functions that own nothing with a destructor. The data
// come from stream when there is one, else from memory.
bool ReadHeader(Decoder& d, std::FILE* stream, const std::uint8_t* data, unsigned long size)
{
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = OnError;
    d.err.pub.emit_message = OnMessage;
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.client_data = &d;
    d.progress.progress_monitor = OnProgress;
    d.cinfo.progress = &d.progress;
    Source& s = d.source;
    s.stream = stream;
    s.data = data;
    s.size = size;
    s.pub.init_source = InitSource;
    s.pub.fill_input_buffer = FillInput;
    s.pub.skip_input_data = SkipInput;
    s.pub.resync_to_restart = jpeg_resync_to_restart;
    s.pub.term_source = TermSource;
    s.pub.next_input_byte = nullptr;
    s.pub.bytes_in_buffer = 0;
    d.cinfo.src = &s.pub;
    jpeg_set_marker_processor(&d.cinfo, JPEG_APP0 + 1, OnApp1);
    jpeg_read_header(&d.cinfo, TRUE);
    s.limit = UINT64_MAX; // the scans are as long as the picture needs
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    // The library writes blue, green, red, pad: the surface's own order.
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    // Every pixel decoded the same, on every machine.
    d.cinfo.dct_method = JDCT_ISLOW;
    d.cinfo.do_fancy_upsampling = TRUE;
    d.cinfo.scale_num = d.cinfo.scale_denom = 1;
    return true;
}

// What jpeg_start_decompress would refuse in a header it has read: a colour
// space it cannot turn into the surface's, or sampling factors that are not
// whole multiples of each other. The library's own message is kept in err.
bool LayoutSupported(Decoder& d)
{
    const jpeg_decompress_struct& c = d.cinfo;
    int code = 0;
    if (c.jpeg_color_space == JCS_UNKNOWN)
        code = JERR_CONVERSION_NOTIMPL;
    for (int i = 0; i < c.num_components && code == 0; ++i) {
        const jpeg_component_info& component = c.comp_info[i];
        if (c.max_h_samp_factor % component.h_samp_factor != 0 ||
            c.max_v_samp_factor % component.v_samp_factor != 0)
            code = JERR_FRACT_SAMPLE_NOTIMPL;
    }
    if (code == 0)
        return true;
    d.err.pub.msg_code = code;
    (*d.err.pub.format_message)(reinterpret_cast<j_common_ptr>(&d.cinfo), d.err.message);
    return false;
}

bool Start(Decoder& d)
{
    if (setjmp(d.err.jump))
        return false;
    jpeg_start_decompress(&d.cinfo);
    return true;
}

// Inverted CMYK (written by Adobe's programs, which say so in their marker)
// stores 255 - ink; plain CMYK stores the ink.
void CmykToPixels(std::uint8_t* row, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, row += 4) {
        unsigned c = row[0], m = row[1], y = row[2], k = row[3];
        if (!inverted)
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        // (a * b) / 255 is never exactly halfway between integers: + 127 rounds to nearest.
        const auto r = static_cast<std::uint8_t>((c * k + 127) / 255);
        const auto g = static_cast<std::uint8_t>((m * k + 127) / 255);
        const auto b = static_cast<std::uint8_t>((y * k + 127) / 255);
        row[0] = b, row[1] = g, row[2] = r, row[3] = 0;
    }
}

// Rows asked of the library at a time: what it gives in one call, at most 8.
constexpr JDIMENSION kMaxRowsPerCall = 8;
JDIMENSION RowsPerCall(const Decoder& d)
{
    return std::clamp<JDIMENSION>(static_cast<JDIMENSION>(d.cinfo.rec_outbuf_height), 1, kMaxRowsPerCall);
}

bool ReadRows(Decoder& d, std::uint32_t* pixels)
{
    if (setjmp(d.err.jump))
        return false;
    const JDIMENSION w = d.cinfo.output_width;
    const bool cmyk = d.cinfo.out_color_space == JCS_CMYK;
    const bool inverted = cmyk && d.cinfo.saw_Adobe_marker;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW rows[8];
        const JDIMENSION first = d.cinfo.output_scanline;
        const JDIMENSION n = std::min<JDIMENSION>(8, d.cinfo.output_height - first);
        for (JDIMENSION i = 0; i < n; ++i)
            rows[i] = reinterpret_cast<JSAMPROW>(pixels + static_cast<std::size_t>(first + i) * w);
        const JDIMENSION got = jpeg_read_scanlines(&d.cinfo, rows, n);
        for (JDIMENSION i = 0; i < got; ++i) {
            if (cmyk) {
                CmykToPixels(rows[i], w, inverted);
            } else {
                // The pad byte comes as 0xFF; the surface keeps its reserved byte 0.
                auto* row = reinterpret_cast<std::uint32_t*>(rows[i]);
                for (JDIMENSION x = 0; x < w; ++x)
                    row[x] &= 0x00FFFFFFu;
            }
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

// Every row is decoded as ReadRows decodes it, but into rows (room for
// RowsPerCall rows of the picture) rather than a whole picture, and only the
// pixels a nearest-pixel scaling keeps go to out, newW x newH words: new row y
// is picture row rowOf[y], its pixel x the picture's column columnOf[x]. The
// pixels come out as ReadRows followed by cDIB::Resize would leave them.
bool ReadRowsScaled(Decoder& d, std::uint8_t* rows, const std::int32_t* columnOf, const std::int32_t* rowOf,
                    std::int32_t newW, std::int32_t newH, std::uint32_t* out)
{
    if (setjmp(d.err.jump))
        return false;
    const JDIMENSION w = d.cinfo.output_width;
    const bool cmyk = d.cinfo.out_color_space == JCS_CMYK;
    const bool inverted = cmyk && d.cinfo.saw_Adobe_marker;
    const JDIMENSION perCall = RowsPerCall(d);
    std::int32_t y = 0;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW block[kMaxRowsPerCall];
        const JDIMENSION first = d.cinfo.output_scanline;
        const JDIMENSION n = std::min<JDIMENSION>(perCall, d.cinfo.output_height - first);
        for (JDIMENSION i = 0; i < n; ++i)
            block[i] = rows + static_cast<std::size_t>(i) * w * 4;
        const JDIMENSION got = jpeg_read_scanlines(&d.cinfo, block, n);
        for (JDIMENSION i = 0; i < got; ++i) {
            const auto r = static_cast<std::int32_t>(first + i);
            // The indices never decrease: the rows that take this one come next.
            if (y >= newH || rowOf[y] != r)
                continue;
            if (cmyk)
                CmykToPixels(block[i], w, inverted);
            const auto* src = reinterpret_cast<const std::uint32_t*>(block[i]);
            std::uint32_t* row = out + static_cast<std::size_t>(y) * newW;
            // The pad byte comes as 0xFF; the surface keeps its reserved byte 0.
            for (std::int32_t x = 0; x < newW; ++x)
                row[x] = src[columnOf[x]] & 0x00FFFFFFu;
            for (++y; y < newH && rowOf[y] == r; ++y)
                std::memcpy(out + static_cast<std::size_t>(y) * newW, row, static_cast<std::size_t>(newW) * 4);
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

// Reads the header and makes every check that needs no scan. False with the
// reason in d.err.message for a damaged or unsupported stream.
bool ReadCheckedHeader(Decoder& d, std::FILE* stream, std::span<const std::uint8_t> data,
                       const std::string& file, const DecodeLimits& limits)
{
    if (!ReadHeader(d, stream, data.data(), static_cast<unsigned long>(data.size())))
        return false;
    decode::CheckPictureSize(file, d.cinfo.image_width, d.cinfo.image_height, limits);
    return LayoutSupported(d);
}

FileError Damaged(const std::string& file, const Decoder& d)
{
    if (d.source.readError != 0) {
        std::string reason = std::strerror(d.source.readError);
        if (!reason.empty())
            reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
        return FileError(file, "cannot be read: " + reason);
    }
    return FileError(file, JpegFailureReason(d.err.pub.msg_code, d.err.message));
}

DecodedPicture Decompress(std::FILE* stream, std::span<const std::uint8_t> data, const std::string& file,
                          const DecodeLimits& limits, const ScaledSize* scaled)
{
    Decoder d;
    if (!ReadCheckedHeader(d, stream, data, file, limits) || !Start(d))
        throw Damaged(file, d);

    DecodedPicture picture;
    picture.Width = static_cast<std::int32_t>(d.cinfo.output_width);
    picture.Height = static_cast<std::int32_t>(d.cinfo.output_height);
    picture.BitsPerPixel = 24;
    if (d.cinfo.output_components != 4)
        throw FileError(file, "unsupported JPEG colour layout");
    picture.ExifOrientation = d.orientation;
    // A photo to be turned is turned whole before it can be scaled.
    if (scaled && d.orientation == 1) {
        const std::vector<std::int32_t> columnOf = NearestSourceIndices(picture.Width, scaled->Width);
        const std::vector<std::int32_t> rowOf = NearestSourceIndices(picture.Height, scaled->Height);
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(RowsPerCall(d)) * d.cinfo.output_width * 4);
        picture.Width = scaled->Width;
        picture.Height = scaled->Height;
        // Of the scaled size, whatever the file claims: filled whole.
        picture.Pixels = decode::AllocatePixels(file, picture.Width, picture.Height, PixelFill::Whole);
        if (!ReadRowsScaled(d, rows.data(), columnOf.data(), rowOf.data(), picture.Width, picture.Height,
                            picture.Pixels.get()))
            throw Damaged(file, d);
        return picture;
    }
    picture.Pixels = decode::AllocatePixels(file, picture.Width, picture.Height);
    if (!ReadRows(d, picture.Pixels.get()))
        throw Damaged(file, d);
    return picture;
}

} // namespace

PictureHeader ReadJpegHeader(std::FILE* stream, const std::string& file, const DecodeLimits& limits)
{
    Decoder d;
    if (!ReadCheckedHeader(d, stream, {}, file, limits))
        throw Damaged(file, d);
    const auto width = static_cast<std::int32_t>(d.cinfo.image_width);
    const auto height = static_cast<std::int32_t>(d.cinfo.image_height);
    return {width, height, 24, d.orientation};
}

DecodedPicture ReadJpeg(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits,
                        const ScaledSize* scaled)
{
    return Decompress(nullptr, data, file, limits, scaled);
}

DecodedPicture ReadJpeg(std::FILE* stream, const std::string& file, const DecodeLimits& limits,
                        const ScaledSize* scaled)
{
    return Decompress(stream, {}, file, limits, scaled);
}

} // namespace quillmere
