// A drive list, a folder list and a file list chained together, as every
// window that picks a picture file has them. The three controls are separate
// widgets, so a window places each where it wants and puts them in its own tab
// order; this object keeps them in step:
// - Drive: the drives; choosing one opens its folder in the folder list.
// - Dir: the folders from the root down to the current one, then its
//   subfolders; a double click (or Enter) on one opens it.
// - File: the files of the current folder matching the pattern, in
//   LessIgnoringCase order; choosing one (a click on it, an arrow key) raises
//   FileClick. Focus alone chooses nothing: the list marks its first row as
//   current when it gets the focus, but a file is chosen only once selected.
// A folder that vanishes or cannot be read leaves the lists on the nearest
// folder above it that can.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class QComboBox;
class QListWidget;
class QWidget;

namespace quillmere {

struct BrowserDrive {
    QString name;                // "c:", or the volume's root as text
    std::filesystem::path root;
};

// The drives of this system: "c:" for driveC when not empty, then the file
// system root, the home folder and the mounted volumes that are ready, each
// root once.
std::vector<BrowserDrive> SystemDrives(const std::filesystem::path& driveC);

class FileBrowser : public QObject {
    Q_OBJECT

public:
    // The three controls are made as children of parent.
    FileBrowser(QWidget* parent, std::vector<BrowserDrive> drives, std::string patterns);

    QComboBox* Drive() const noexcept { return drive_; }
    QListWidget* Dir() const noexcept { return dir_; }
    QListWidget* File() const noexcept { return file_; }
    const std::vector<BrowserDrive>& Drives() const noexcept { return drives_; }
    // Lists other drives (drive C: has moved); the folder stays, and the drive
    // list shows the drive it lies on.
    void Drives(std::vector<BrowserDrive> drives);

    // The current folder of the folder list and the file list.
    const std::filesystem::path& Path() const noexcept { return path_; }
    // Opens folder (or the nearest readable one above it) in both lists and
    // raises DirChange when the folder changed.
    void Path(const std::filesystem::path& folder);

    // The selected file: -1 for none. Setting it counts as a click: FileClick
    // is raised for an index within the list, even when it is already selected.
    // An index out of range selects nothing.
    std::int32_t ListIndex() const;
    void ListIndex(std::int32_t index);
    std::int32_t ListCount() const;
    // The selected file's name (bytes as stored), empty for none.
    std::string FileName() const;
    // The folder followed by the selected file's name; empty for none.
    std::filesystem::path SelectedPath() const;

    // Reads the current folder again (both lists); the selection is dropped.
    // A folder gone since is left for the nearest readable one above it.
    void Refresh();

signals:
    void DriveChange();
    void DirChange();
    void FileClick();

private:
    int SelectedRow() const;
    void Fill();
    void SelectDriveFor(const std::filesystem::path& folder);
    void DriveChosen(int index);

    std::vector<BrowserDrive> drives_;
    std::string patterns_;
    std::filesystem::path path_;
    std::vector<std::string> files_;
    QComboBox* drive_;
    QListWidget* dir_;
    QListWidget* file_;
};

} // namespace quillmere
