// The Logo Creator without its window: "convert" turns a picture file into a
// logo, "info" tells what the strip would show for picture files and whether
// each already is a logo.
#include "cli/Command.h"

#include "creator/CreateLogo.h"
#include "creator/SizeIt.h"
#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "manager/LogoFormat.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

namespace quillmere::app {

namespace {

// One line on a terminal, redrawn in place as the rows go by.
class TerminalBar : public ProgressObserver {
public:
    TerminalBar(const char* label, std::int32_t rows) : label_(label), rows_(rows) {}

    void Progress(std::int32_t index) override { Draw(static_cast<int>((index + 1) * 100LL / rows_)); }
    void ProgressEnd() override
    {
        Draw(100);
        std::fputc('\n', stderr);
        shown_ = -1;
    }

private:
    void Draw(int percent)
    {
        if (percent == shown_ || percent < 0 || percent > 100)
            return;
        shown_ = percent;
        constexpr int kWidth = 30;
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i)
            bar[i] = i < percent * kWidth / 100 ? '#' : '-';
        bar[kWidth] = 0;
        std::fprintf(stderr, "\r%-10s [%s] %3d%%", label_, bar, percent);
        std::fflush(stderr);
    }

    const char* label_;
    std::int32_t rows_;
    int shown_ = -1;
};

constexpr std::string_view kMaxMegapixels = "max-megapixels";

// --max-megapixels N, in plain digits: the picture-size limit of this run.
// False with problem set for a value that is no such number.
bool ReadLimits(const ParsedArgs& parsed, DecodeLimits& limits, std::string& problem)
{
    for (const auto& [name, value] : parsed.options) {
        if (name != kMaxMegapixels)
            continue;
        if (value.empty() || value.size() > 6 || value.find_first_not_of("0123456789") != std::string::npos ||
            std::stoll(value) == 0) {
            problem = "--max-megapixels needs a whole number from 1 to 999999, not '" + value + "'";
            return false;
        }
        limits.MaxPixels = std::stoll(value) * 1'000'000;
    }
    return true;
}

constexpr std::string_view kQuality = "quality";
constexpr std::string_view kFit = "fit";
constexpr std::string_view kPadColour = "pad-colour";

// --quality exact|best, --fit stretch|crop|pad, --pad-colour RRGGBB (with
// --fit pad only). False with problem set for a value that is none of these.
bool ReadConversion(const ParsedArgs& parsed, ConversionOptions& options, std::string& problem)
{
    bool padColourGiven = false;
    for (const auto& [name, value] : parsed.options) {
        if (name == kQuality) {
            const auto quality = LogoQualityNamed(value);
            if (!quality) {
                problem = "--quality is exact or best, not '" + value + "'";
                return false;
            }
            options.quality = *quality;
        } else if (name == kFit) {
            const auto fit = LogoFitNamed(value);
            if (!fit) {
                problem = "--fit is stretch, crop or pad, not '" + value + "'";
                return false;
            }
            options.fit = *fit;
        } else if (name == kPadColour) {
            const auto colour = ColourFromHex(value);
            if (!colour) {
                problem = "--pad-colour needs six hexadecimal digits RRGGBB, not '" + value + "'";
                return false;
            }
            options.padColour = *colour;
            padColourGiven = true;
        }
    }
    if (padColourGiven && options.fit != LogoFit::Pad) {
        problem = "--pad-colour goes with --fit pad";
        return false;
    }
    return true;
}

int RunConvert(const Args& args, const GlobalOptions&);
const Command kConvert{20, "convert",
                       "convert [--max-megapixels N] [--quality exact|best] [--fit stretch|crop|pad] "
                       "[--pad-colour RRGGBB] INPUT OUTPUT",
                       "Turns a BMP, GIF or JPEG picture into a logo: 320 x 400 pixels, 256 colours,\n"
                       "written to OUTPUT as an 8-bit bitmap. OUTPUT is replaced only when complete.\n"
                       "Pictures of more than N megapixels (128 unless given) are refused.\n"
                       "--quality best builds the palette from every pixel and keeps flat areas\n"
                       "flat (exact, the default, is the classic conversion). --fit crop cuts the\n"
                       "picture to 4:3 around its centre, --fit pad shows it whole on a 4:3 area of\n"
                       "the pad colour (black unless given); stretch, the default, fills the logo.",
                       RunConvert};
const RegisterCommand registerConvert(kConvert);

int RunConvert(const Args& arguments, const GlobalOptions&)
{
    const ParsedArgs parsed = ParseArgs(arguments, {kMaxMegapixels, kQuality, kFit, kPadColour});
    if (!parsed.problem.empty())
        return UsageError(kConvert, parsed.problem);
    DecodeLimits limits;
    if (std::string problem; !ReadLimits(parsed, limits, problem))
        return UsageError(kConvert, problem);
    ConversionOptions options;
    if (std::string problem; !ReadConversion(parsed, options, problem))
        return UsageError(kConvert, problem);
    const Args& args = parsed.operands;
    if (args.size() != 2)
        return UsageError(kConvert, args.size() < 2 ? "INPUT and OUTPUT are needed" : "too many arguments");
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    TerminalBar resizing("Resizing", kLogoHeight);
    TerminalBar reducing("Colours", kLogoHeight);
    try {
        ConvertPictureFile(args[0], args[1], nullptr, terminal ? &resizing : nullptr,
                           terminal ? &reducing : nullptr, limits, options);
    } catch (const Error& e) {
        return Fail(kConvert, e.what());
    } catch (const std::bad_alloc&) {
        return Fail(kConvert, args[0] + ": not enough memory");
    }
    return ExitOk;
}

int RunInfo(const Args& args, const GlobalOptions&);
const Command kInfo{21, "info", "info [--max-megapixels N] FILE...",
                    "For each picture file: width x height x bits per pixel, file size, and whether\n"
                    "it is already a logo (\"Valid Format\") or not (\"Wrong Format\"). Pictures of\n"
                    "more than N megapixels (128 unless given) are refused. Only the header is read.",
                    RunInfo};
const RegisterCommand registerInfo(kInfo);

int RunInfo(const Args& arguments, const GlobalOptions&)
{
    const ParsedArgs parsed = ParseArgs(arguments, {kMaxMegapixels});
    if (!parsed.problem.empty())
        return UsageError(kInfo, parsed.problem);
    DecodeLimits limits;
    if (std::string problem; !ReadLimits(parsed, limits, problem))
        return UsageError(kInfo, problem);
    const Args& args = parsed.operands;
    if (args.empty())
        return UsageError(kInfo, "no file given");
    int status = ExitOk;
    for (const std::string& arg : args) {
        const std::filesystem::path path = arg;
        try {
            // The header alone: the answer costs the same for any size of picture.
            const PictureHeader picture = ReadPictureHeader(path, limits);
            // A photo shown upright swaps its sides when it is turned.
            const bool turned = picture.Depth() == 24 && picture.ExifOrientation >= 5 && picture.ExifOrientation <= 8;
            const std::int32_t w = turned ? picture.Height : picture.Width;
            const std::int32_t h = turned ? picture.Width : picture.Height;
            std::error_code ec;
            const auto bytes = std::filesystem::file_size(path, ec);
            if (ec)
                throw FileError(path.string(), "cannot be read: " + ec.message());
            Say(path.string() + ": " + std::to_string(w) + "x" + std::to_string(h) + "x" +
                std::to_string(picture.Depth()) + "b, " + FormatFileSize(static_cast<double>(bytes)) + ", " +
                std::string(IsValidLogo(path) ? kValidFormat : kWrongFormat));
        } catch (const Error& e) {
            status = Fail(kInfo, e.what());
        } catch (const std::bad_alloc&) {
            status = Fail(kInfo, path.string() + ": not enough memory");
        }
    }
    return status;
}

} // namespace

} // namespace quillmere::app
