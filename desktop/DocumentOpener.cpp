#include "desktop/DocumentOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace quillmere {

void QtDocumentOpener::Open(const QString& target)
{
    const QUrl url = target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

} // namespace quillmere
