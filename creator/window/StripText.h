// A message about a file for the first field of the information strip: the
// words around the path always whole, the path shortened in its middle when
// the field is too narrow for all of it.
#pragma once

#include <QString>

class QFontMetrics;

namespace quillmere {

// prefix + path + suffix as it fits width pixels in metrics: the whole text
// when it fits, else with the middle of path replaced by an ellipsis so that
// its start (the folder) and end (the file's name) show. prefix and suffix are
// never shortened; when they alone are too wide, the path is the ellipsis.
QString FitPathMessage(const QString& prefix, const QString& path, const QString& suffix,
                       const QFontMetrics& metrics, int width);

} // namespace quillmere
