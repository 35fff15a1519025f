// Checked integer arithmetic and the one rounding rule of the system:
// to the nearest integer, halves to the even neighbour.
#pragma once

#include "Errors.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace quillmere {

inline std::int32_t checkedMul(std::int32_t a, std::int32_t b, const char* what = "multiplication")
{
    std::int32_t r;
    if (__builtin_mul_overflow(a, b, &r))
        throw OverflowError(std::string("Overflow in ") + what);
    return r;
}

inline std::int32_t checkedAdd(std::int32_t a, std::int32_t b, const char* what = "addition")
{
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r))
        throw OverflowError(std::string("Overflow in ") + what);
    return r;
}

// Signed integer division truncating toward zero, with the division by zero
// reported instead of trapping.
inline std::int32_t checkedDiv(std::int32_t a, std::int32_t b)
{
    if (b == 0)
        throw DivisionByZeroError("Division by zero");
    if (a == std::numeric_limits<std::int32_t>::min() && b == -1)
        throw OverflowError("Overflow in division");
    return a / b;
}

// Rounds halves to even (the default floating-point rounding mode) and refuses
// values outside the 32-bit range, NaN included.
inline std::int32_t roundToInt(double v)
{
    const double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        throw OverflowError("Overflow converting a value to an integer");
    return static_cast<std::int32_t>(r);
}

// Rounds to a byte; a value outside 0..255 is an overflow.
inline std::uint8_t roundToByte(double v)
{
    const double r = std::nearbyint(v);
    if (!(r >= 0.0 && r <= 255.0))
        throw OverflowError("Overflow converting a value to a byte");
    return static_cast<std::uint8_t>(r);
}

// n / d for n >= 0 and d > 0, rounded to the nearest integer, halves to even:
// the same rule in whole numbers, for means and blends of colour levels.
inline std::int64_t divideRounded(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    const std::int64_t twice = 2 * (n % d);
    return twice > d || (twice == d && q % 2 == 1) ? q + 1 : q;
}

} // namespace quillmere
