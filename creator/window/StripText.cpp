#include "creator/window/StripText.h"

#include <QFontMetrics>

namespace quillmere {

QString FitPathMessage(const QString& prefix, const QString& path, const QString& suffix,
                       const QFontMetrics& metrics, int width)
{
    const QString whole = prefix + path + suffix;
    if (metrics.horizontalAdvance(whole) <= width)
        return whole;
    // Measured as one line: the joins may kern, so step down until it fits.
    const QString ellipsis(QChar(0x2026));
    for (int room = width - metrics.horizontalAdvance(prefix + suffix); room > 0; --room) {
        const QString elided = metrics.elidedText(path, Qt::ElideMiddle, room);
        if (elided.isEmpty())
            break; // not even the ellipsis fits
        const QString shortened = prefix + elided + suffix;
        if (metrics.horizontalAdvance(shortened) <= width)
            return shortened;
    }
    return prefix + ellipsis + suffix;
}

} // namespace quillmere
