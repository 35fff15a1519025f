#include "widgets/FileBrowser.h"

#include "widgets/BrowserListing.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

namespace quillmere {

namespace {

QString Shown(const std::filesystem::path& p) { return QFile::decodeName(QByteArray::fromStdString(p.native())); }
QString Shown(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

// The folder list's entries keep their path as bytes, which a name that is not
// valid in the locale's encoding needs.
constexpr int kPathRole = Qt::UserRole;

} // namespace

std::vector<BrowserDrive> SystemDrives(const std::filesystem::path& driveC)
{
    std::vector<BrowserDrive> drives;
    const auto add = [&drives](const QString& name, const std::filesystem::path& root) {
        if (root.empty())
            return;
        const auto same = [&root](const BrowserDrive& d) { return d.root == root; };
        if (std::none_of(drives.begin(), drives.end(), same))
            drives.push_back({name, root});
    };
    if (!driveC.empty())
        drives.push_back({QStringLiteral("c:"), driveC});
    add(QStringLiteral("/"), "/");
    const std::filesystem::path home = QFile::encodeName(QDir::homePath()).toStdString();
    add(Shown(home), home);
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& volume : volumes) {
        if (volume.isValid() && volume.isReady())
            add(volume.rootPath(), QFile::encodeName(volume.rootPath()).toStdString());
    }
    return drives;
}

FileBrowser::FileBrowser(QWidget* parent, std::vector<BrowserDrive> drives, std::string patterns)
    : QObject(parent), drives_(std::move(drives)), patterns_(std::move(patterns)), drive_(new QComboBox(parent)),
      dir_(new QListWidget(parent)), file_(new QListWidget(parent))
{
    for (const BrowserDrive& d : drives_)
        drive_->addItem(d.name);
    dir_->setUniformItemSizes(true);
    file_->setUniformItemSizes(true);
    connect(drive_, &QComboBox::activated, this, &FileBrowser::DriveChosen);
    connect(dir_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        Path(item->data(kPathRole).toByteArray().toStdString());
    });
    // Chosen by selection, not by the current row: a list given the focus
    // makes its first row current without selecting it.
    connect(file_, &QListWidget::itemSelectionChanged, this, [this] {
        if (SelectedRow() >= 0)
            emit FileClick();
    });
}

void FileBrowser::Drives(std::vector<BrowserDrive> drives)
{
    drives_ = std::move(drives);
    {
        const QSignalBlocker block(drive_);
        drive_->clear();
        for (const BrowserDrive& d : drives_)
            drive_->addItem(d.name);
    }
    SelectDriveFor(path_);
}

void FileBrowser::DriveChosen(int index)
{
    if (index < 0 || index >= static_cast<int>(drives_.size()))
        return;
    emit DriveChange();
    Path(drives_[static_cast<std::size_t>(index)].root);
}

void FileBrowser::Path(const std::filesystem::path& folder)
{
    const std::filesystem::path now = NearestReadableFolder(folder);
    const bool changed = now != path_;
    path_ = now;
    Fill();
    if (changed)
        emit DirChange();
}

void FileBrowser::Refresh() { Path(path_.empty() ? std::filesystem::path("/") : path_); }

namespace {

// The folder list's pictures, drawn here: the style's folder icons come from
// the desktop's icon theme, whose first search cost a fifth of the Logo
// Manager's start. A 16 x 16 folder, its tab at the top left; an open one
// shows its lighter front flap tilted.
QIcon FolderPicture(bool open, qreal ratio)
{
    QPixmap picture(QSize(16, 16) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
    const QColor back(0xE8, 0xB8, 0x30), front(0xFF, 0xE0, 0x80);
    painter.setBrush(back);
    painter.drawPolygon(QPolygonF({{1.5, 3.5}, {6.5, 3.5}, {7.5, 5.0}, {14.5, 5.0}, {14.5, 13.5}, {1.5, 13.5}}));
    painter.setBrush(front);
    if (open)
        painter.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
    else
        painter.drawRect(QRectF(1.5, 6.5, 13.0, 7.0));
    return QIcon(picture);
}

} // namespace

void FileBrowser::Fill()
{
    SelectDriveFor(path_);
    const QIcon closed = FolderPicture(false, dir_->devicePixelRatioF());
    const QIcon open = FolderPicture(true, dir_->devicePixelRatioF());
    {
        const QSignalBlocker block(dir_);
        dir_->clear();
        const std::vector<std::filesystem::path> down = PathDown(path_);
        int depth = 0;
        for (const auto& step : down) {
            const QString name = depth == 0 ? Shown(step) : Shown(step.filename());
            auto* item = new QListWidgetItem(open, QString(depth * 2, u' ') + name, dir_);
            item->setData(kPathRole, QByteArray::fromStdString(step.native()));
            ++depth;
        }
        dir_->setCurrentRow(dir_->count() - 1);
        std::vector<std::string> subfolders;
        ListSubfolders(path_, subfolders);
        for (const std::string& sub : subfolders) {
            auto* item = new QListWidgetItem(closed, QString(depth * 2, u' ') + Shown(sub), dir_);
            item->setData(kPathRole, QByteArray::fromStdString((path_ / sub).native()));
        }
    }
    const QSignalBlocker block(file_);
    file_->clear();
    ListFiles(path_, patterns_, files_);
    for (const std::string& name : files_)
        file_->addItem(Shown(name));
    file_->setCurrentRow(-1);
}

void FileBrowser::SelectDriveFor(const std::filesystem::path& folder)
{
    // The drive whose root is the longest leading part of the folder.
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        const std::filesystem::path& root = drives_[i].root;
        const auto rel = folder.lexically_relative(root);
        const bool inside = !rel.empty() && *rel.begin() != "..";
        if (inside && (best < 0 || root.native().size() > bestLength)) {
            best = static_cast<int>(i);
            bestLength = root.native().size();
        }
    }
    const QSignalBlocker block(drive_);
    drive_->setCurrentIndex(best);
}

int FileBrowser::SelectedRow() const
{
    const QList<QListWidgetItem*> selected = file_->selectedItems();
    return selected.isEmpty() ? -1 : file_->row(selected.front());
}

std::int32_t FileBrowser::ListIndex() const { return SelectedRow(); }

void FileBrowser::ListIndex(std::int32_t index)
{
    if (index < 0 || index >= file_->count()) {
        const QSignalBlocker block(file_);
        file_->setCurrentRow(-1);
        return;
    }
    if (index == SelectedRow())
        emit FileClick();
    else
        file_->setCurrentRow(index); // selects it, which raises FileClick
}

std::int32_t FileBrowser::ListCount() const { return file_->count(); }

std::string FileBrowser::FileName() const
{
    const int row = SelectedRow();
    return row >= 0 && row < static_cast<int>(files_.size()) ? files_[static_cast<std::size_t>(row)] : std::string();
}

std::filesystem::path FileBrowser::SelectedPath() const
{
    const std::string name = FileName();
    return name.empty() ? std::filesystem::path() : path_ / name;
}

} // namespace quillmere
