// Keys and mouse buttons as the controls report them to their hosts: Windows
// virtual-key codes, and the button and shift masks of a mouse event.
#pragma once

#include <Qt>

#include <cstdint>

namespace quillmere {

// The virtual-key code of a Qt key: letters and digits are their capital
// character, the editing, cursor, function and modifier keys their classic codes,
// the numeric keypad's digits and operators theirs; 0 for a key with none.
std::int16_t VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) noexcept;

// 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t ShiftMask(Qt::KeyboardModifiers modifiers) noexcept;

// 1 left, 2 right, 4 middle.
std::int16_t ButtonMask(Qt::MouseButtons buttons) noexcept;

} // namespace quillmere
