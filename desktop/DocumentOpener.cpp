#include "desktop/DocumentOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace quillmere {

bool QtDocumentOpener::Open(const QString& target)
{
    const QUrl url = target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
    return QDesktopServices::openUrl(url);
}

QString NotOpenedText(const QString& target)
{
    return target.contains(QStringLiteral("://"))
               ? QStringLiteral("No program here opens web addresses; the address is %1").arg(target)
               : QStringLiteral("No program here opens the guide; open %1 in a web browser.").arg(target);
}

} // namespace quillmere
