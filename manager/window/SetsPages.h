// The two set pages and the originals page of the Logo Manager: ten save and
// ten install buttons with a thumbnail of each set's startup logo, the three
// originals and "Restore Originals". The work is LogoManager's.
#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QWidget;

namespace quillmere {

struct FileResult;
struct ManagerState;

class SetsPages : public QObject {
    Q_OBJECT

public:
    // reloadCurrent shows the installed logos again on the three logo pages.
    SetsPages(QWidget& window, ManagerState& state, std::function<void()> reloadCurrent);

    // Save Set s and Install Set s (1 to 10), Restore Originals: the handlers.
    void SaveSet(int set);
    void InstallSet(int set);
    void RestoreOriginals();

    // Start-up: the ten thumbnails, then the three originals.
    void LoadThumbnails();

private:
    void ReportFailures(const QString& title, const std::vector<FileResult>& results);

    QWidget& window_;
    ManagerState& state_;
    std::function<void()> reloadCurrent_;
};

} // namespace quillmere
