#pragma once

#include <cstdint>
#include <vector>

namespace quillmere {

// The system clipboard as the core sees it. The window side provides the real
// one; without one, nothing can be copied.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // False when the clipboard cannot be opened now.
    virtual bool Open() = 0;
    virtual void Empty() = 0;
    // Hands over a 32-bit picture (blue, green, red, reserved; rows top-down);
    // the clipboard owns it from then on.
    virtual void SetBitmap(std::vector<std::uint32_t> pixels, std::int32_t width,
                           std::int32_t height) = 0;
    virtual void Close() = 0;
};

// The clipboard of this process; null until the window side sets one.
Clipboard* SystemClipboard() noexcept;
void SetSystemClipboard(Clipboard* clipboard) noexcept;

} // namespace quillmere
