// The strip's texts (CreatorTexts) measured in the strip's font.
#pragma once

#include "creator/CreatorTexts.h"

class QFont;

namespace quillmere {

// Widths of UTF-8 texts in font, as the strip draws them.
TextWidth WidthIn(const QFont& font);

} // namespace quillmere
