// The two set pages and the originals page of the Logo Manager: ten save and
// ten install buttons with a thumbnail of each set's startup logo, the three
// originals and "Restore Originals"; each thumbnail's menu exports the set to
// a zip and imports it from one. The work is LogoManager's and SetArchive's.
#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace quillmere {

class OpenDialog;
class SaveDialog;
struct FileResult;
struct ManagerState;

// The dialogs a set's zip is chosen with, and the folder they open in.
struct SetZipDialogs {
    SaveDialog& save;
    OpenDialog& open;
    std::filesystem::path folder;
};

inline constexpr std::string_view kExportSetItem = "Export...";
inline constexpr std::string_view kImportSetItem = "Import...";

class SetsPages : public QObject {
    Q_OBJECT

public:
    // reloadCurrent shows the installed logos again on the three logo pages.
    SetsPages(QWidget& window, ManagerState& state, std::function<void()> reloadCurrent, SetZipDialogs dialogs);

    // Save Set s and Install Set s (1 to 10), Restore Originals: the handlers.
    void SaveSet(int set);
    void InstallSet(int set);
    void RestoreOriginals();

    // Start-up: the ten thumbnails, then the three originals.
    void LoadThumbnails();

    // "Export..." and "Import..." for set s, on its thumbnail's menu.
    void AddZipItems(QMenu& menu, int set);
    // Asks for the zip and writes set s to it; a failure is told.
    void ExportSet(int set);
    // Asks for the zip and takes set s from it, all or nothing; the thumbnail
    // shows the set after. A failure is told.
    void ImportSet(int set);

private:
    void ShowThumbnail(int set);
    void ReportFailures(const QString& title, const std::vector<FileResult>& results);

    QWidget& window_;
    ManagerState& state_;
    std::function<void()> reloadCurrent_;
    SetZipDialogs dialogs_;
};

} // namespace quillmere
