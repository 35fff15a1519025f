#include "ImageDrive.h"

#include "FatFolder.h"
#include "FileAttributes.h"
#include "NbdMount.h"

#include "imaging/Printable.h"
#include "imaging/ReplaceFile.h"
#include "imaging/TemporaryPaths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

std::error_code Code(int err) { return {err, std::generic_category()}; }

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return upper;
}

std::string Key(const std::vector<std::string>& folder) { return Upper(Mtools::Name(folder)); }

std::vector<std::string> Parent(const std::vector<std::string>& steps)
{
    return {steps.begin(), steps.end() - (steps.empty() ? 0 : 1)};
}

// mtools' complaints fit; changes print little else.
constexpr std::size_t kMaxOutput = 1u << 20;

// The byte this program locks (TryLock): the last one a lock can cover, so it
// never meets an emulator's.
constexpr off_t kLockByte = std::numeric_limits<off_t>::max() - 1;

constexpr std::uint32_t kSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

} // namespace

ImageDrive::ImageDrive(fs::path image, int partition) : image_(std::move(image))
{
    const std::string shown = image_.string();
    fd_ = UniqueFd(::open(image_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd_)
        throw DriveError(shown, "cannot open the disk image: " + std::string(std::strerror(errno)), Code(errno));
    format_ = ReadImageFormat(fd_.Get(), image_);
    // Whether this user may write it, asked of the file itself rather than of
    // the mode bits (a read-only mount, an ACL).
    const UniqueFd probe(::open(image_.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    writable_ = static_cast<bool>(probe);
    if (!format_.Raw()) {
        mount_ = NbdMount::Open(fd_.Get(), image_, format_, writable_, [this] { return InUse(); });
        disk_ = UniqueFd(::open(mount_->Disk().c_str(), (writable_ ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY));
        if (!disk_)
            throw DriveError(shown, "cannot open the disk qemu-nbd serves: " + std::string(std::strerror(errno)),
                             Code(errno));
        // The server opened the image by its name: it must still be the file examined.
        RequireSameFile(shown);
    }
    volume_ = FindDiskVolume(Data(), shown, partition);
    opened_ = held_ = Now();
    if (InUse())
        throw DriveError(shown, "the disk image is in use: a running virtual machine or emulator has it open; "
                                "shut it down first",
                         DriveErrc::ImageInUse);

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/quillmere-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw DriveError(pattern, "cannot make a private temporary folder: " + std::string(std::strerror(errno)),
                         Code(errno));
    scratch_ = pattern;
    ClaimScratchFolder(scratch_); // removed by the signal handler of a run that is ended
    // An empty configuration file of our own: MTOOLSRC names it.
    const UniqueFd rc(::open((scratch_ / "mtoolsrc").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!rc) {
        const int err = errno;
        fs::remove_all(scratch_);
        ForgetScratchFolder(scratch_);
        throw DriveError(scratch_.string(), std::strerror(err), Code(err));
    }
    mtools_ = std::make_unique<Mtools>(Data(), volume_.offset, scratch_);
    // A root that cannot be read makes a drive of no use: say so now, when the
    // caller can still choose another. Read while no other run changes it.
    try {
        Hold();
        try {
            Listing({}, "C:\\");
        } catch (...) {
            Release();
            throw;
        }
        Release();
    } catch (...) {
        std::error_code ec;
        fs::remove_all(scratch_, ec);
        ForgetScratchFolder(scratch_);
        throw;
    }
}

ImageDrive::~ImageDrive()
{
    // The served disk is closed before its mount may go.
    mtools_.reset();
    disk_.Reset();
    mount_.reset();
    std::error_code ec;
    fs::remove_all(scratch_, ec);
    ForgetScratchFolder(scratch_);
}

std::string ImageDrive::Description() const
{
    const std::string fat = "FAT" + std::to_string(volume_.fatBits);
    const std::string kind = !format_.Raw() ? "the " + format_.name + " disk image "
                             : volume_.vhd  ? "the VHD disk image "
                                            : "the disk image ";
    if (volume_.partition == 0)
        return kind + image_.string() + " (" + fat + ")";
    return "partition " + std::to_string(volume_.partition) + " (" + fat + ") of " + kind + image_.string();
}

fs::path ImageDrive::Resolve(std::string_view drivePath) const
{
    throw Error(std::string(drivePath) + ": drive C: is the disk image " + image_.string() +
                ", whose files have no path on this system");
}

bool ImageDrive::InUse() const
{
    // Any lock another open file of the image holds conflicts with a write lock
    // on the whole file but the bytes this program locks (TryLock, kServedByte).
    // QEMU holds open-file-description locks on single bytes of the images it
    // uses, and F_OFD_GETLK sees those and classic ones alike. While this run
    // serves the image through qemu-nbd, those are the server's own, and they
    // keep every other QEMU-based program out.
    if (!mount_) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = kServedByte;
        if (::fcntl(fd_.Get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK)
            return true;
    }
    // A whole-file flock is what other tools (flock(1), some emulators) take.
    // mtools takes one too while it works, so it counts only while no other run
    // of this program may be running mtools: while this one holds the drive
    // lock, or while nobody does; on a served image mtools locks the served
    // disk, never the image. A shared probe conflicts only with an exclusive lock.
    if (!locked_ && !mount_) {
        struct flock ours {};
        ours.l_type = F_WRLCK;
        ours.l_whence = SEEK_SET;
        ours.l_start = kLockByte;
        ours.l_len = 1;
        if (::fcntl(fd_.Get(), F_OFD_GETLK, &ours) != 0 || ours.l_type != F_UNLCK)
            return false;
    }
    const UniqueFd probe(::open(("/proc/self/fd/" + std::to_string(fd_.Get())).c_str(),
                                O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!probe)
        return false;
    if (::flock(probe.Get(), LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    return false; // the probe's lock goes with its descriptor
}

ImageDrive::Stamp ImageDrive::Now() const
{
    Stamp stamp;
    struct stat st {};
    if (::fstat(fd_.Get(), &st) != 0)
        return stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modified = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changed = std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    stamp.sectors.resize(1024);
    for (const std::uint64_t at : {std::uint64_t{0}, volume_.offset}) {
        char* into = stamp.sectors.data() + (at == 0 ? 0 : 512);
        if (::pread(Data(), into, 512, static_cast<off_t>(at)) != 512)
            stamp.sectors.clear();
    }
    return stamp;
}

void ImageDrive::Remember() const
{
    // Down to the disk first: a served image's server keeps metadata in memory
    // until it is flushed, and only then does the file look as it will stay.
    ::fdatasync(Data());
    if (mount_)
        mount_->Settled(NbdMount::StateOf(fd_.Get()));
    opened_ = held_ = Now();
}

bool ImageDrive::Replaced() const noexcept
{
    struct stat now {}, held {};
    if (::stat(image_.c_str(), &now) != 0 || ::fstat(fd_.Get(), &held) != 0)
        return true;
    if (now.st_dev != held.st_dev || now.st_ino != held.st_ino)
        return true;
    try {
        return Now() != opened_;
    } catch (const std::bad_alloc&) {
        return true;
    }
}

void ImageDrive::RequireSameFile(const std::string& shown) const
{
    struct stat now {}, held {};
    if (::stat(image_.c_str(), &now) != 0 || ::fstat(fd_.Get(), &held) != 0 || now.st_dev != held.st_dev ||
        now.st_ino != held.st_ino)
        throw DriveError(shown, "the disk image " + image_.string() + " was replaced, moved or removed since it "
                                "was opened, so nothing was changed; open it again",
                         DriveErrc::Replaced);
}

void ImageDrive::RequireSameImage(const std::string& shown) const
{
    RequireSameFile(shown);
    if (Now() != held_)
        throw DriveError(shown, "the disk image " + image_.string() + " was changed by another program since it "
                                "was read, so nothing was changed; open it again",
                         DriveErrc::Replaced);
}

bool ImageDrive::TryLock() const
{
    if (!writable_)
        return true;
    const std::string shown = image_.string();
    RequireSameFile(shown);
    if (!lockFd_) {
        // A write lock needs a descriptor open for writing; it must be the
        // file already open, not whatever the name names now.
        UniqueFd fd(::open(image_.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
        struct stat opened {}, held {};
        if (!fd || ::fstat(fd.Get(), &opened) != 0 || ::fstat(fd_.Get(), &held) != 0 ||
            opened.st_dev != held.st_dev || opened.st_ino != held.st_ino)
            throw DriveError(shown, "the disk image could not be opened again to lock it", DriveErrc::Replaced);
        lockFd_ = std::move(fd);
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockByte;
    lock.l_len = 1;
    if (::fcntl(lockFd_.Get(), F_OFD_SETLK, &lock) == 0) {
        locked_ = true;
        // Taken: nobody but an emulator can hold the rest of the file now.
        if (InUse()) {
            Unlock();
            throw DriveError(shown, "the disk image is in use: a running virtual machine or emulator has it "
                                    "open; shut it down first",
                             DriveErrc::ImageInUse);
        }
        // Another run may have changed any folder since it was listed here;
        // from now on, only this run changes the image.
        listings_.clear();
        held_ = Now();
        return true;
    }
    if (errno != EAGAIN && errno != EACCES && errno != EINTR)
        throw DriveError(shown, "cannot lock the disk image: " + std::string(std::strerror(errno)), Code(errno));
    // Held: by another run of this program, unless an emulator locks it all.
    if (InUse())
        throw DriveError(shown, "the disk image is in use: a running virtual machine or emulator has it open; "
                                "shut it down first",
                         DriveErrc::ImageInUse);
    return false;
}

void ImageDrive::Unlock() const noexcept
{
    lockFd_ = UniqueFd();
    locked_ = false;
}

void ImageDrive::RequireWritable(const std::string& shown) const
{
    RequireSameImage(shown);
    if (!writable_)
        throw DriveError(shown, "the disk image " + image_.string() + " is not writable for you, so nothing on it "
                                "is changed",
                         DriveErrc::ImageReadOnly);
    if (InUse())
        throw DriveError(shown, "the disk image " + image_.string() + " is in use: a running virtual machine or "
                                "emulator has it open; shut it down first",
                         DriveErrc::ImageInUse);
}

MtoolsRun ImageDrive::Must(std::string_view program, const std::vector<std::string>& args,
                           const std::string& shown) const
{
    MtoolsRun run = mtools_->Run(program, args, kMaxOutput);
    Remember();
    if (run.status != 0)
        throw DriveError(shown, "the disk image " + image_.string() + " could not be changed (" +
                                    std::string(program) + ": " + MtoolsComplaint(run) + ")",
                         DriveErrc::ImageTool);
    return run;
}

void ImageDrive::MarkAmbiguous(std::vector<Listed>& entries)
{
    // mtools finds an entry by a name that is either its long or its short name:
    // a short name is an address only while no other entry answers to it, and
    // only a plain 8.3 name in ASCII is given to mtools as one.
    for (Listed& entry : entries) {
        const bool ascii = std::all_of(entry.shortName.begin(), entry.shortName.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        entry.ambiguous = !IsShortName(entry.shortName) || !ascii;
        for (const Listed& other : entries) {
            if (&other != &entry && (SameIgnoringCase(other.shortName, entry.shortName) ||
                                     SameIgnoringCase(other.name, entry.shortName))) {
                entry.ambiguous = true;
                entry.clash = other.name;
                break;
            }
        }
    }
}

const std::vector<ImageDrive::Listed>& ImageDrive::Listing(const std::vector<std::string>& folder,
                                                           const std::string& shown) const
{
    if (const auto it = listings_.find(Key(folder)); it != listings_.end())
        return it->second;
    // The folder's first cluster, from its entry in the folder above it.
    std::uint32_t cluster = 0;
    if (!folder.empty()) {
        const std::vector<std::string> parent = Parent(folder);
        const std::vector<Listed>& above = Listing(parent, ShownDrivePath(folder, folder.size() - 1));
        const auto entry = std::find_if(above.begin(), above.end(), [&](const Listed& e) {
            return e.folder && SameIgnoringCase(e.shortName, folder.back());
        });
        if (entry == above.end() || entry->cluster == 0)
            throw DriveError(shown, "cannot be read from the disk image " + image_.string() +
                                        " (its folder entry is missing or damaged; check the file system with "
                                        "fsck.fat)",
                             DriveErrc::ImageTool);
        cluster = entry->cluster;
    }
    std::vector<Listed> entries;
    for (FatEntry& e : ReadFatFolder(Data(), volume_, cluster, shown)) {
        Listed listed;
        listed.name = std::move(e.name);
        listed.shortName = std::move(e.shortName);
        listed.folder = e.folder;
        listed.size = e.size;
        listed.cluster = e.cluster;
        listed.attributes = e.attributes & kSettable;
        listed.control = std::any_of(listed.name.begin(), listed.name.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        });
        entries.push_back(std::move(listed));
    }
    MarkAmbiguous(entries);
    return listings_[Key(folder)] = std::move(entries);
}

void ImageDrive::Forget(const std::vector<std::string>& folder) const { listings_.erase(Key(folder)); }

ImageDrive::Place ImageDrive::Locate(std::string_view drivePath) const
{
    const std::vector<std::string> asked = DrivePathSteps(drivePath);
    const std::string shown(drivePath);
    for (const std::string& step : asked) {
        // mtools would take these as a pattern and act on every match.
        if (step.find_first_of("*?[]") != std::string::npos)
            throw DriveError(shown, "a name on a disk image may not contain * ? [ or ]", Code(EINVAL));
    }
    Place place;
    if (asked.empty()) {
        place.exists = true;
        place.entry.folder = true;
        return place;
    }
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const std::vector<Listed>& entries = Listing(place.steps, ShownDrivePath(asked, i));
        // A name in 8.3 form is found by the short name alone, as DOS finds
        // C:\LOGO.SYS at start-up; a longer one by the long name.
        // A long name with control characters is never taken for the name asked.
        const bool shortForm = IsShortName(asked[i]);
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const Listed& e) {
            return shortForm ? SameIgnoringCase(e.shortName, asked[i]) : !e.control && SameIgnoringCase(e.name, asked[i]);
        });
        const std::string here = ShownDrivePath(asked, i + 1);
        if (found == entries.end()) {
            // A new entry gets the name as asked; mtools would take an entry that
            // answers to it under its other name for it.
            if (const auto other = std::find_if(entries.begin(), entries.end(), [&](const Listed& e) {
                    return SameIgnoringCase(e.name, asked[i]) || SameIgnoringCase(e.shortName, asked[i]);
                });
                other != entries.end())
                throw DriveError(shown, "the disk image has an entry " + Printable(other->name) + " in " +
                                            ShownDrivePath(asked, i) + " that also answers to " + asked[i] +
                                            ", so " + here + " cannot be made there; rename that entry first",
                                 Code(EEXIST));
            place.steps.insert(place.steps.end(), asked.begin() + static_cast<std::ptrdiff_t>(i), asked.end());
            if (i + 1 < asked.size())
                place.missingFolder = here;
            return place;
        }
        if (found->ambiguous)
            throw DriveError(shown, found->clash.empty()
                                        ? here + " on the disk image " + image_.string() + " has the short name " +
                                              Printable(found->shortName) + ", which mtools cannot be given "
                                              "safely; rename it on Windows or DOS first"
                                        : here + " on the disk image " + image_.string() + " has the short name " +
                                              found->shortName + ", which the entry " + Printable(found->clash) +
                                              " of the same folder also answers to; rename that entry first",
                             DriveErrc::ImageTool);
        // Addressed by its short name, or by the same name in its own letter
        // case, which only this entry answers to either.
        place.steps.push_back(IsShortName(found->name) && SameIgnoringCase(found->name, found->shortName)
                                  ? found->name
                                  : found->shortName);
        if (i + 1 == asked.size()) {
            place.exists = true;
            place.entry = *found;
            return place;
        }
        if (!found->folder)
            throw DriveError(shown, here + " is not a folder", Code(ENOTDIR));
    }
    return place;
}

DriveEntry ImageDrive::Inspect(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    DriveEntry entry;
    if (!place.exists)
        return entry;
    entry.type = place.entry.folder ? DriveEntry::Type::Folder : DriveEntry::Type::File;
    entry.size = place.entry.folder ? 0 : place.entry.size;
    entry.attributes = place.entry.attributes | (place.entry.folder ? kAttrDirectory : 0);
    entry.links = 1;
    return entry;
}

std::error_code ImageDrive::ChangeAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept
{
    try {
        const std::string_view path = fullFilePath.substr(0, kMaxAttributePath);
        const Place place = Locate(path);
        if (!place.exists)
            return std::make_error_code(std::errc::no_such_file_or_directory);
        if (place.steps.empty())
            return std::make_error_code(std::errc::invalid_argument); // the root has no attributes
        const std::uint32_t wanted = fileAttributes & kSettable;
        if ((place.entry.attributes & kSettable) == wanted)
            return {};
        const std::string shown(path);
        RequireWritable(shown);
        Must("mattrib",
             {wanted & kAttrReadOnly ? "+r" : "-r", wanted & kAttrHidden ? "+h" : "-h",
              wanted & kAttrSystem ? "+s" : "-s", wanted & kAttrArchive ? "+a" : "-a", Mtools::Name(place.steps)},
             shown);
        Forget(Parent(place.steps));
        return {};
    } catch (const DriveError& e) {
        return e.code();
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    } catch (const std::exception&) {
        return DriveErrc::ImageTool;
    }
}

void ImageDrive::MakeFolder(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    RequireDriveFolder(place.missingFolder, shown);
    if (place.exists)
        throw DriveError(shown, std::string("there is already ") + (place.entry.folder ? "a folder" : "a file") +
                                    " of that name",
                         Code(EEXIST));
    RequireWritable(shown);
    Forget(Parent(place.steps));
    Must("mmd", {Mtools::Name(place.steps)}, shown);
}

void ImageDrive::RemoveFolder(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    if (!place.exists || place.steps.empty() || !place.entry.folder)
        throw DriveError(shown, "it is no folder", Code(ENOTDIR));
    RequireWritable(shown);
    Forget(Parent(place.steps));
    Forget(place.steps);
    Must("mrd", {Mtools::Name(place.steps)}, shown);
}

ImageDrive::Place ImageDrive::SourceFile(std::string_view source) const
{
    const Place place = Locate(source);
    const std::string shown(source);
    if (!place.exists)
        throw DriveError(shown, "does not exist", Code(ENOENT));
    if (place.entry.folder)
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    return place;
}

std::string ImageDrive::Stage(std::span<const std::uint8_t> bytes, const std::string& shown) const
{
    const fs::path staged = scratch_ / "staged";
    UniqueFd out(::open(staged.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out)
        throw DriveError(shown, "cannot stage the copy in " + scratch_.string() + ": " + std::strerror(errno),
                         Code(errno));
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(out.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw DriveError(shown, "cannot stage the copy in " + scratch_.string() + ": " +
                                        std::strerror(n < 0 ? errno : ENOSPC),
                             Code(n < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(n);
    }
    return staged.string();
}

std::vector<std::string> ImageDrive::RenameTarget(const Place& place, const std::vector<Listed>& entries)
{
    // Renamed to its short name, a file would lose its long name ("Originals
    // owed.txt" would become ORIGIN~1.TXT, and no longer be found by it): the
    // copy takes the long name instead, where that names this entry alone and
    // mtools can take it as it is.
    const Listed& old = place.entry;
    if (!place.exists || (IsShortName(old.name) && SameIgnoringCase(old.name, old.shortName)))
        return place.steps;
    const bool plain = !old.control && old.name.find_first_of("/\\:*?\"<>|[]") == std::string::npos &&
                       old.name.front() != ' ' && old.name.back() != ' ' && old.name.back() != '.';
    const bool alone = std::none_of(entries.begin(), entries.end(), [&](const Listed& e) {
        return e.shortName != old.shortName &&
               (SameIgnoringCase(e.name, old.name) || SameIgnoringCase(e.shortName, old.name));
    });
    if (!plain || !alone)
        return place.steps;
    std::vector<std::string> target = place.steps;
    target.back() = old.name;
    return target;
}

void ImageDrive::Replace(const Place& place, const std::string& shown, const std::string& source) const
{
    RequireDriveFolder(place.missingFolder, shown);
    if (place.steps.empty() || (place.exists && place.entry.folder))
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    // As on a folder drive: a read-only file is not replaced.
    if (place.exists && (place.entry.attributes & kAttrReadOnly))
        throw FileError(shown, "the file is read-only");
    RequireWritable(shown);

    // A short name no entry of the folder has, so the copy needs no long name.
    const std::vector<std::string> folder = Parent(place.steps);
    const std::vector<Listed>& entries = Listing(folder, ShownDrivePath(folder, folder.size()));
    std::random_device random;
    std::string temporary;
    do {
        char name[13];
        std::snprintf(name, sizeof name, "QM%06X.TMP", static_cast<unsigned>(random() & 0xFFFFFF));
        temporary = name;
    } while (std::any_of(entries.begin(), entries.end(), [&](const Listed& e) {
        return SameIgnoringCase(e.name, temporary) || e.shortName == temporary;
    }));
    std::vector<std::string> temporarySteps = folder;
    temporarySteps.push_back(temporary);
    const std::string temporaryName = Mtools::Name(temporarySteps);
    const std::string targetName = Mtools::Name(RenameTarget(place, entries));

    Forget(folder); // entries goes with it
    try {
        Must("mcopy", {"-D", "o", source, temporaryName}, shown);
        // A new file carries no attributes, as on a folder drive.
        Must("mattrib", {"-a", "-r", "-h", "-s", temporaryName}, shown);
        Must("mren", {"-D", "o", temporaryName, targetName}, shown);
    } catch (...) {
        // The old file is as it was; the temporary copy, whole or part, goes.
        mtools_->Run("mdel", {temporaryName});
        Remember();
        throw;
    }
}

void ImageDrive::CopyFile(std::string_view source, std::string_view target) const
{
    const Place from = SourceFile(source);
    if (from.entry.size > kMaxDriveCopyBytes)
        throw DriveError(std::string(source), "is larger than " + std::to_string(kMaxDriveCopyBytes) + " bytes",
                         DriveErrc::TooLarge);
    Replace(Locate(target), std::string(target), Mtools::Name(from.steps));
}

void ImageDrive::CopyIn(const fs::path& source, std::string_view target) const
{
    const std::string shownSource = source.string();
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0 && errno == ENOENT)
        throw DriveError(shownSource, "does not exist", Code(ENOENT));
    const UniqueFd in = OpenFileToRead(AT_FDCWD, shownSource, shownSource, true);
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw DriveError(shownSource, std::strerror(errno), Code(errno));
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxDriveCopyBytes)
            throw DriveError(shownSource, "is larger than " + std::to_string(kMaxDriveCopyBytes) + " bytes",
                             DriveErrc::TooLarge);
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    WriteFile(target, bytes);
}

void ImageDrive::WriteFile(std::string_view target, std::span<const std::uint8_t> bytes) const
{
    const Place place = Locate(target);
    const std::string shown(target);
    RequireDriveFolder(place.missingFolder, shown);
    RequireWritable(shown);
    Replace(place, shown, Stage(bytes, shown));
}

std::string ImageDrive::ReadFile(std::string_view source, std::uintmax_t maxBytes) const
{
    const Place place = SourceFile(source);
    const std::string shown(source);
    if (place.entry.size > maxBytes)
        throw DriveError(shown, "is larger than " + std::to_string(maxBytes) + " bytes", DriveErrc::TooLarge);
    MtoolsRun run = mtools_->Run("mtype", {Mtools::Name(place.steps)}, static_cast<std::size_t>(maxBytes));
    if (run.status != 0)
        throw DriveError(shown, "cannot be read from the disk image " + image_.string() + " (" +
                                    MtoolsComplaint(run) + ")",
                         DriveErrc::ImageTool);
    if (run.outCut)
        throw DriveError(shown, "is larger than " + std::to_string(maxBytes) + " bytes", DriveErrc::TooLarge);
    return std::move(run.out);
}

void ImageDrive::RemoveFile(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    if (!place.exists)
        return;
    if (place.steps.empty() || place.entry.folder)
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    RequireWritable(shown);
    Forget(Parent(place.steps));
    Must("mdel", {Mtools::Name(place.steps)}, shown);
}

int ImageDrive::RemoveLeftovers(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    if (!place.exists || !place.entry.folder)
        return 0;
    // The replace's temporaries: QM, six hex digits, .TMP, and no long name.
    std::vector<std::string> stale;
    for (const Listed& e : Listing(place.steps, shown)) {
        const std::string_view name = e.shortName;
        if (!e.folder && e.name == e.shortName && name.size() == 12 && name.starts_with("QM") &&
            name.ends_with(".TMP") && name.substr(2, 6).find_first_not_of("0123456789ABCDEF") == std::string_view::npos)
            stale.push_back(e.shortName);
    }
    if (stale.empty())
        return 0;
    RequireWritable(shown);
    Forget(place.steps);
    for (const std::string& name : stale) {
        std::vector<std::string> steps = place.steps;
        steps.push_back(name);
        Must("mdel", {Mtools::Name(steps)}, shown);
    }
    return static_cast<int>(stale.size());
}

} // namespace quillmere
