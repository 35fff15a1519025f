// "preview": a logo as the computer shows it while starting, written as an
// animated GIF.
#include "cli/Command.h"

#include "imaging/Errors.h"
#include "preview/BootScreenGif.h"

#include <new>
#include <string>
#include <string_view>

namespace quillmere::app {

namespace {

constexpr std::string_view kFps = "fps";
constexpr std::string_view kStill = "--still";

int RunPreview(const Args& args, const GlobalOptions&);
const Command kPreview{30, "preview", "preview [--fps N] [--still] LOGO OUTPUT.gif",
                       "Writes LOGO as the computer shows it while starting: 640 x 480, as an animated\n"
                       "GIF of one full cycle of its palette rotation, looping for ever, at N steps a\n"
                       "second (18 unless given, at most 50). --still writes the first frame alone.\n"
                       "OUTPUT is replaced only when complete.",
                       RunPreview};
const RegisterCommand registerPreview(kPreview);

int RunPreview(const Args& arguments, const GlobalOptions&)
{
    // --still takes no value, which ParseArgs does not know: it is taken out
    // first, before a lone "--" only, and never where it is the value of --fps.
    Args rest;
    bool still = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--") {
            rest.insert(rest.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
            break;
        }
        if (arg == kStill) {
            still = true;
            continue;
        }
        if (arg.starts_with(std::string(kStill) + "="))
            return UsageError(kPreview, "--still takes no value");
        rest.push_back(arg);
        if (arg == "--fps" && i + 1 < arguments.size())
            rest.push_back(arguments[++i]);
    }
    const ParsedArgs parsed = ParseArgs(rest, {kFps});
    if (!parsed.problem.empty())
        return UsageError(kPreview, parsed.problem);
    BootGifOptions options;
    options.still = still;
    for (const auto& [name, value] : parsed.options) {
        // Plain digits, 1 to 50: GIF delays are whole centiseconds of at least 2.
        if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(value) < 1 || std::stoi(value) > kMaxGifFps)
            return UsageError(kPreview, "--fps needs a whole number from 1 to " + std::to_string(kMaxGifFps) +
                                            ", not '" + value + "'");
        options.fps = std::stoi(value);
    }
    const Args& files = parsed.operands;
    if (files.size() != 2)
        return UsageError(kPreview, files.size() < 2 ? "LOGO and OUTPUT are needed" : "too many arguments");
    try {
        WriteBootScreenGif(files[0], files[1], options);
    } catch (const Error& e) {
        return Fail(kPreview, e.what());
    } catch (const std::bad_alloc&) {
        return Fail(kPreview, files[0] + ": not enough memory");
    }
    return ExitOk;
}

} // namespace

} // namespace quillmere::app
