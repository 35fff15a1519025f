#include "StopAtStep.h"

#include <csignal>

namespace quillmere {

namespace {

std::string& Step()
{
    static std::string step;
    return step;
}

} // namespace

void StopAtStep(std::string step) { Step() = std::move(step); }

void ReachedStep(std::string_view step) noexcept
{
    if (!Step().empty() && Step() == step)
        ::raise(SIGSTOP);
}

} // namespace quillmere
