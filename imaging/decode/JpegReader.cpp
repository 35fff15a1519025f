#include "imaging/decode/JpegReader.h"

#include "imaging/Errors.h"
#include "imaging/decode/DecodeSupport.h"
#include "imaging/decode/ExifOrientation.h"

#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>

#include <cstring>

namespace quillmere {

namespace {

// A progressive stream may hold any number of scans; real files have at most a
// few dozen, crafted ones thousands that each rework the whole picture.
constexpr int kMaxScans = 500;

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
        std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    bool created = false;

    ~Decoder()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

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
    d.progress.progress_monitor = OnProgress;
    d.cinfo.progress = &d.progress;
    if (stream)
        jpeg_stdio_src(&d.cinfo, stream);
    else
        jpeg_mem_src(&d.cinfo, data, size);
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
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

std::uint8_t FindOrientation(const jpeg_decompress_struct& cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1)
            continue;
        const std::uint8_t value = ReadExifOrientation({m->data, m->data_length});
        if (value != 1)
            return value;
    }
    return 1;
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
    return FileError(file, std::string("damaged JPEG file (") + d.err.message + ")");
}

} // namespace

PictureHeader ReadJpegHeader(std::FILE* stream, const std::string& file, const DecodeLimits& limits)
{
    Decoder d;
    if (!ReadCheckedHeader(d, stream, {}, file, limits))
        throw Damaged(file, d);
    const auto width = static_cast<std::int32_t>(d.cinfo.image_width);
    const auto height = static_cast<std::int32_t>(d.cinfo.image_height);
    return {width, height, 24, FindOrientation(d.cinfo)};
}

DecodedPicture ReadJpeg(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits)
{
    Decoder d;
    if (!ReadCheckedHeader(d, nullptr, data, file, limits) || !Start(d))
        throw Damaged(file, d);

    DecodedPicture picture;
    picture.Width = static_cast<std::int32_t>(d.cinfo.output_width);
    picture.Height = static_cast<std::int32_t>(d.cinfo.output_height);
    picture.BitsPerPixel = 24;
    if (d.cinfo.output_components != 4)
        throw FileError(file, "unsupported JPEG colour layout");
    // Saved markers are freed when the decompression finishes.
    picture.ExifOrientation = FindOrientation(d.cinfo);
    picture.Pixels = decode::AllocatePixels(file, picture.Width, picture.Height);
    if (!ReadRows(d, picture.Pixels.get()))
        throw Damaged(file, d);
    return picture;
}

} // namespace quillmere
