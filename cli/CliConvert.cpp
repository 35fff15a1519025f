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
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

constexpr std::string_view kAnimation = "animation";
constexpr std::string_view kBandHeight = "band-height";
constexpr std::string_view kBandColours = "band-colours";
constexpr std::string_view kAnimatedEntries = "animated-entries";
constexpr std::string_view kBorderColour = "border-colour";

// A whole number from low to high in plain digits.
std::optional<std::int32_t> NumberIn(const std::string& value, std::int32_t low, std::int32_t high)
{
    if (value.empty() || value.size() > 4 || value.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::int32_t n = std::stoi(value);
    if (n < low || n > high)
        return std::nullopt;
    return n;
}

// RRGGBB,RRGGBB[,...]: 2 to 8 colours.
std::optional<std::vector<std::uint32_t>> ColourList(const std::string& value)
{
    std::vector<std::uint32_t> colours;
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = value.find(',', from);
        const auto colour = ColourFromHex(std::string_view(value).substr(from, comma - from));
        if (!colour)
            return std::nullopt;
        colours.push_back(*colour);
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    if (colours.size() < kMinBandColours || colours.size() > kMaxBandColours)
        return std::nullopt;
    return colours;
}

// --animation band|keep|none with --band-height ROWS, --band-colours LIST and
// --animated-entries N (band only), --border-colour RRGGBB|auto. False with
// problem set for a value that is none of these.
bool ReadAnimation(const ParsedArgs& parsed, ConversionOptions& options, std::string& problem)
{
    std::string bandOption;
    for (const auto& [name, value] : parsed.options) {
        if (name == kAnimation) {
            const auto choice = LogoAnimationNamed(value);
            if (!choice) {
                problem = "--animation is band, keep or none, not '" + value + "'";
                return false;
            }
            options.animation = *choice;
        } else if (name == kBandHeight) {
            const auto rows = NumberIn(value, 1, kMaxBandHeight);
            if (!rows) {
                problem = "--band-height needs a whole number of rows from 1 to " + std::to_string(kMaxBandHeight) +
                          ", not '" + value + "'";
                return false;
            }
            options.band.height = *rows;
            bandOption = name;
        } else if (name == kAnimatedEntries) {
            const auto entries = NumberIn(value, kMinAnimatedEntries, kMaxAnimatedEntries);
            if (!entries) {
                problem = "--animated-entries needs a whole number from " + std::to_string(kMinAnimatedEntries) +
                          " to " + std::to_string(kMaxAnimatedEntries) + ", not '" + value + "'";
                return false;
            }
            options.band.entries = *entries;
            bandOption = name;
        } else if (name == kBandColours) {
            const auto colours = ColourList(value);
            if (!colours) {
                problem = "--band-colours needs 2 to 8 colours RRGGBB separated by commas, not '" + value + "'";
                return false;
            }
            options.band.colours = *colours;
            bandOption = name;
        } else if (name == kBorderColour) {
            if (value == "auto") {
                options.border = BorderChoice::Edge;
            } else if (const auto colour = ColourFromHex(value)) {
                options.border = BorderChoice::Colour;
                options.borderColour = *colour;
            } else {
                problem = "--border-colour needs six hexadecimal digits RRGGBB or auto, not '" + value + "'";
                return false;
            }
        }
    }
    if (!bandOption.empty() && options.animation != LogoAnimationChoice::Band) {
        problem = "--" + bandOption + " goes with --animation band";
        return false;
    }
    return true;
}

int RunConvert(const Args& args, const GlobalOptions&);
const Command kConvert{20, "convert",
                       "convert [--max-megapixels N] [--quality exact|best] [--fit stretch|crop|pad] "
                       "[--pad-colour RRGGBB] [--animation band|keep|none] [--band-height ROWS] "
                       "[--band-colours RRGGBB,RRGGBB[,...]] [--animated-entries N] "
                       "[--border-colour RRGGBB|auto] INPUT OUTPUT",
                       "Turns a BMP, GIF or JPEG picture into a logo: 320 x 400 pixels, 256 colours,\n"
                       "written to OUTPUT as an 8-bit bitmap. OUTPUT is replaced only when complete.\n"
                       "Pictures of more than N megapixels (128 unless given) are refused.\n"
                       "--quality best builds the palette from every pixel and keeps flat areas\n"
                       "flat (exact, the default, is the classic conversion). --fit crop cuts the\n"
                       "picture to 4:3 around its centre, --fit pad shows it whole on a 4:3 area of\n"
                       "the pad colour (black unless given); stretch, the default, fills the logo.\n"
                       "--animation band draws a band along the bottom, ROWS high (16 unless given),\n"
                       "whose colours move at start-up: the last N palette entries (20 unless given,\n"
                       "2 to 64) rotate, looping through the band colours (unless given, from the\n"
                       "picture's darkest colour to its brightest and back). --animation keep, the\n"
                       "default for an animated logo, keeps its moving pixels and their colours;\n"
                       "none makes the logo still. --border-colour makes palette entry 0, which the\n"
                       "screen shows around the logo, that colour (auto: the picture's edge).",
                       RunConvert};
const RegisterCommand registerConvert(kConvert);

int RunConvert(const Args& arguments, const GlobalOptions&)
{
    const ParsedArgs parsed = ParseArgs(arguments, {kMaxMegapixels, kQuality, kFit, kPadColour, kAnimation,
                                                    kBandHeight, kBandColours, kAnimatedEntries, kBorderColour});
    if (!parsed.problem.empty())
        return UsageError(kConvert, parsed.problem);
    DecodeLimits limits;
    if (std::string problem; !ReadLimits(parsed, limits, problem))
        return UsageError(kConvert, problem);
    ConversionOptions options;
    if (std::string problem; !ReadConversion(parsed, options, problem) || !ReadAnimation(parsed, options, problem))
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
    } catch (const OptionConflict& e) {
        return UsageError(kConvert, e.what());
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
