// For tests that end a run at a chosen point of its work: the program's main
// names a step (from QUILLMERE_STOP_AT) and, when the run reaches it, the
// process stops itself with SIGSTOP, so a test that waits for the stop knows
// exactly where the run is when it sends a signal. No step is named in
// ordinary use, and then reaching one does nothing.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// The steps a run can be stopped at.
inline constexpr std::string_view kStepReplaceContentFlushed = "replace-content-flushed"; // a hidden temporary exists
inline constexpr std::string_view kStepDriveBusy = "drive-busy"; // another run holds drive C:, this one waits
inline constexpr std::string_view kStepImageServed = "image-served"; // a disk image is mounted through qemu-nbd

// Stops the process at step from now on; an empty name stops it nowhere.
void StopAtStep(std::string step);

// Stops the process (SIGSTOP) if step is the one named; it carries on when continued.
void ReachedStep(std::string_view step) noexcept;

} // namespace quillmere
