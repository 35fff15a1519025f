#include "creator/window/StripText.h"

#include <QFontMetrics>
#include <QString>

namespace quillmere {

TextWidth WidthIn(const QFont& font)
{
    return [metrics = QFontMetrics(font)](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    };
}

} // namespace quillmere
