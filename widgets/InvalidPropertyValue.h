// The one error a control raises when a property is given a value it refuses.
#pragma once

#include "imaging/Errors.h"

#include <cstdint>

namespace quillmere {

// Error 380, "Invalid property value". A setter that throws it has changed nothing.
class InvalidPropertyValueError : public Error {
public:
    static constexpr std::int32_t Number = 380;
    InvalidPropertyValueError() : Error("Invalid property value") {}
    std::int32_t number() const noexcept { return Number; }
};

} // namespace quillmere
