#include "KeyCodes.h"

#include <array>
#include <utility>

namespace quillmere {

namespace {

constexpr std::array<std::pair<int, std::int16_t>, 25> kKeys{{
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},      {Qt::Key_Backtab, 0x09}, {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},     {Qt::Key_Shift, 0x10},    {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14}, {Qt::Key_Escape, 0x1B},  {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},    {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},     {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},      {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},   {Qt::Key_Down, 0x28},
    {Qt::Key_Print, 0x2C},     {Qt::Key_Insert, 0x2D},   {Qt::Key_Delete, 0x2E},  {Qt::Key_Help, 0x2F},
    {Qt::Key_Menu, 0x5D},
}};

} // namespace

std::int16_t VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) noexcept
{
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return static_cast<std::int16_t>(0x60 + (key - Qt::Key_0));
        switch (key) {
        case Qt::Key_Asterisk: return 0x6A;
        case Qt::Key_Plus: return 0x6B;
        case Qt::Key_Minus: return 0x6D;
        case Qt::Key_Period: return 0x6E;
        case Qt::Key_Slash: return 0x6F;
        default: break;
        }
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<std::int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::int16_t>(0x70 + (key - Qt::Key_F1));
    for (const auto& [qt, vk] : kKeys)
        if (qt == key)
            return vk;
    return 0;
}

std::int16_t ShiftMask(Qt::KeyboardModifiers modifiers) noexcept
{
    return static_cast<std::int16_t>(((modifiers & Qt::ShiftModifier) ? 1 : 0) |
                                     ((modifiers & Qt::ControlModifier) ? 2 : 0) |
                                     ((modifiers & Qt::AltModifier) ? 4 : 0));
}

std::int16_t ButtonMask(Qt::MouseButtons buttons) noexcept
{
    return static_cast<std::int16_t>(((buttons & Qt::LeftButton) ? 1 : 0) |
                                     ((buttons & Qt::RightButton) ? 2 : 0) |
                                     ((buttons & Qt::MiddleButton) ? 4 : 0));
}

} // namespace quillmere
