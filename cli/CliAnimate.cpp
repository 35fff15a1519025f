// "animate": the animation byte of a logo on its own, changed in place.
#include "cli/Command.h"

#include "imaging/Errors.h"
#include "preview/LogoAnimation.h"

#include <new>
#include <optional>
#include <string>

namespace quillmere::app {

namespace {

int RunAnimate(const Args& args, const GlobalOptions&);
const Command kAnimate{31, "animate", "animate [--first N | --still] LOGO",
                       "Sets which palette entries of LOGO rotate at start-up: N to 255 (N from 1 to\n"
                       "255), or none with --still; nothing else in the file changes, and it is\n"
                       "replaced only when complete. Without an option it only tells. Says what\n"
                       "will move: the entries that rotate and how many pixels use them.",
                       RunAnimate};
const RegisterCommand registerAnimate(kAnimate);

int RunAnimate(const Args& arguments, const GlobalOptions&)
{
    // --still takes no value: taken out before a lone "--".
    Args rest;
    bool still = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--") {
            rest.insert(rest.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
            break;
        }
        if (arguments[i] == "--still") {
            still = true;
            continue;
        }
        rest.push_back(arguments[i]);
        if (arguments[i] == "--first" && i + 1 < arguments.size())
            rest.push_back(arguments[++i]);
    }
    const ParsedArgs parsed = ParseArgs(rest, {"first"});
    if (!parsed.problem.empty())
        return UsageError(kAnimate, parsed.problem);
    std::optional<std::int32_t> first;
    if (still)
        first = 0;
    for (const auto& [name, value] : parsed.options) {
        if (still || first)
            return UsageError(kAnimate, "give --first once, or --still");
        const bool digits = !value.empty() && value.size() <= 3 && value.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || std::stoi(value) < 1 || std::stoi(value) > 255)
            return UsageError(kAnimate, "--first needs a whole number from 1 to 255, not '" + value + "'");
        first = std::stoi(value);
    }
    if (parsed.operands.size() != 1)
        return UsageError(kAnimate, parsed.operands.empty() ? "LOGO is needed" : "one LOGO at a time");
    const std::string& logo = parsed.operands[0];
    try {
        Say(logo + ": " + DescribeAnimation(AnimateLogo(logo, first)));
    } catch (const Error& e) {
        return Fail(kAnimate, e.what());
    } catch (const std::bad_alloc&) {
        return Fail(kAnimate, logo + ": not enough memory");
    }
    return ExitOk;
}

} // namespace

} // namespace quillmere::app
