// Drive C: inside a disk image: the Logo Manager's commands, run as the built
// program, on images made here with mkfs.fat and an MBR, give what they give on
// a folder; images that cannot be drive C: are refused and left as they were;
// after every test the file systems pass fsck.fat.
#include "support/ImageFixture.h"

#include "support/AsOrdinaryUser.h"

#include <functional>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class ImageCli : public ImageScratchDrive {
protected:
    void SetUp() override
    {
        ImageScratchDrive::SetUp();
        if (IsSkipped())
            return;
        home_ = root_ / "home";
        fs::create_directories(home_);
        WriteLogo(root_ / "new.bmp", 'n');
    }
    void TearDown() override
    {
        for (const Volume& v : checked_) {
            if (const std::optional<std::string> problem = FsckProblem(v, scratch_))
                ADD_FAILURE() << v.image << " at " << v.offset << ": " << *problem;
        }
        TempDrive::TearDown();
    }

    // Every volume made is checked with fsck.fat after the test.
    const Volume& Check(const Volume& v) { return checked_.emplace_back(v); }

    Result Run(std::vector<std::string> args) const
    {
        std::vector<std::string> argv = {asOrdinaryUser_ ? ProgramForOrdinaryUser(QUILLMERE_EXE) : QUILLMERE_EXE};
        for (std::string& a : args) {
            for (std::size_t at; (at = a.find("{pic}")) != std::string::npos;)
                a.replace(at, 5, (root_ / "new.bmp").string());
            argv.push_back(a);
        }
        ProgramOptions options{.environment = {{"QUILLMERE_DRIVE_C", std::nullopt},
                                               {"XDG_DATA_HOME", std::nullopt},
                                               {"HOME", home_.string()}},
                               .timeoutSeconds = kChildTimeout};
        if (!path_.empty())
            options.environment["PATH"] = path_;
        options.beforeExec = [this] {
            return !asOrdinaryUser_ || BecomeOrdinaryUser();
        };
        const ProgramResult r = RunProgram(argv, scratch_, options);
        return {r.status, r.out, r.err};
    }

    fs::path home_;
    std::string path_; // PATH for the program, when not the test's own
    std::vector<Volume> checked_;
    bool asOrdinaryUser_ = false;
};

// --- the same commands on a folder and on images ------------------------------

enum class Layout { Fat16Mbr, Fat32Mbr, Fat12Floppy, Fat16FixedVhd };

struct ImageKind {
    const char* title;
    Layout layout;
    friend void PrintTo(const ImageKind& k, std::ostream* os) { *os << k.title; }
};

class SameAsAFolder : public ImageCli, public ::testing::WithParamInterface<ImageKind> {
protected:
    // The image of the kind, with the volume that is drive C:.
    std::optional<Volume> Make(const fs::path& image)
    {
        switch (GetParam().layout) {
        case Layout::Fat16Mbr:
        case Layout::Fat16FixedVhd: {
            const std::vector<Volume> v =
                MakeDisk(image, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x06, .active = true}},
                         17 * kMiB, scratch_);
            if (v.empty())
                return std::nullopt;
            if (GetParam().layout == Layout::Fat16FixedVhd) {
                // The footer of a fixed VHD: "conectix", disk type 2 (big-endian) at 60.
                std::string footer(512, '\0');
                footer.replace(0, 8, "conectix");
                footer[63] = 2;
                std::ofstream(image, std::ios::binary | std::ios::app) << footer;
            }
            return v[0];
        }
        case Layout::Fat32Mbr: {
            const std::vector<Volume> v =
                MakeDisk(image, {{.start = kMiB, .size = 40 * kMiB, .fatBits = 32, .type = 0x0C, .active = true}},
                         41 * kMiB, scratch_);
            return v.empty() ? std::nullopt : std::optional(v[0]);
        }
        case Layout::Fat12Floppy:
            // A 2.88 MB floppy: room for a dozen logos.
            fs::resize_file(image, 2880 * 1024);
            if (!Format(image, 0, 2880 * 1024, 12, scratch_))
                return std::nullopt;
            return Volume{image, 0, 2880 * 1024};
        }
        return std::nullopt;
    }
};

// The steps, each a command after "--drive-c DRIVE".
const std::vector<std::vector<std::string>> kScenario = {
    {"status"},
    {"check", "{pic}"},
    {"sets", "save", "1"},
    {"install", "startup", "{pic}"},
    {"install", "safe", "{pic}"},
    {"sets", "save", "10"},
    {"status"},
    {"sets", "install", "1"},
    {"install", "wait", "{pic}"},
    {"sets", "install", "10"},
    {"sets", "install", "4"},
    {"restore-originals"},
    {"status"},
};

// Each command's status, standard output without the line naming the drive, and
// standard error; then what each file holds.
std::string Transcript(const std::vector<Result>& results)
{
    std::string all;
    for (const Result& r : results) {
        std::string out = r.out;
        const std::size_t named = out.find("Drive C: is ");
        if (named != std::string::npos)
            out.erase(named, out.find('\n', named) + 1 - named);
        all += "status " + std::to_string(r.status) + "\n" + out + r.err + "----\n";
    }
    return all;
}

const char* const kFiles[][2] = {
    {"logo.sys", "::/logo.sys"},
    {"Windows/logow.sys", "::/Windows/logow.sys"},
    {"Windows/Logos.sys", "::/Windows/logos.sys"},
    {"VH Backups/Logo.C1K", "::/VH Backups/Logo.C1K"},
    {"VH Backups/Logow.C1K", "::/VH Backups/Logow.C1K"},
    {"VH Backups/Logos.C1K", "::/VH Backups/Logos.C1K"},
    {"VH Backups/Logo.C2K", "::/VH Backups/Logo.C2K"},
    {"VH Backups/Logos.C11K", "::/VH Backups/Logos.C11K"},
};

TEST_P(SameAsAFolder, EveryCommandGivesWhatItGivesOnAFolder)
{
    // A startup and a wait logo, no safe one, on both.
    const fs::path folder = root_ / "drive";
    WriteLogo(folder / "logo.sys", 'a');
    WriteLogo(folder / "Windows" / "logow.sys", 'b');
    const fs::path image = root_ / "disk.img";
    std::ofstream(image).close();
    const std::optional<Volume> made = Make(image);
    ASSERT_TRUE(made) << "mkfs.fat failed";
    const Volume& v = Check(*made);
    ASSERT_TRUE(PutLogo(v, "::/logo.sys", 'a', scratch_));
    ASSERT_TRUE(MakeFolderOn(v, "::/Windows", scratch_));
    ASSERT_TRUE(PutLogo(v, "::/Windows/logow.sys", 'b', scratch_));
    // Without the archive bit mcopy sets, as the folder's files have no attributes.
    ASSERT_EQ(RunTool("mattrib", {"-i", ImageName(v), "-a", "::/logo.sys", "::/Windows/logow.sys"}, scratch_).status, 0);

    std::vector<Result> onFolder, onImage;
    for (const auto& step : kScenario) {
        std::vector<std::string> args = {"--drive-c", folder.string()};
        args.insert(args.end(), step.begin(), step.end());
        onFolder.push_back(Run(args));
        args[1] = image.string();
        onImage.push_back(Run(args));
    }
    EXPECT_EQ(Transcript(onImage), Transcript(onFolder));
    EXPECT_EQ(onFolder.back().status, 0) << onFolder.back().err;
    for (const auto& [host, dos] : kFiles)
        EXPECT_EQ(LogoFillOn(v, dos, scratch_), LogoFill(folder / host)) << host;
    EXPECT_NE(onImage.front().out.find("Drive C: is "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Images, SameAsAFolder,
                         ::testing::Values(ImageKind{"fat16_mbr", Layout::Fat16Mbr},
                                           ImageKind{"fat32_mbr", Layout::Fat32Mbr},
                                           ImageKind{"fat12_floppy", Layout::Fat12Floppy},
                                           ImageKind{"fat16_fixed_vhd", Layout::Fat16FixedVhd}),
                         [](const auto& info) { return std::string(info.param.title); });

// --- attributes and names inside the image -----------------------------------------

class OneImage : public ImageCli {
protected:
    void SetUp() override
    {
        ImageCli::SetUp();
        if (IsSkipped())
            return;
        image_ = root_ / "disk.img";
        std::ofstream(image_).close();
        const std::vector<Volume> v = MakeDisk(
            image_, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x0E, .active = true}}, 17 * kMiB,
            scratch_);
        ASSERT_EQ(v.size(), 1u);
        volume_ = Check(v[0]);
        ASSERT_TRUE(PutLogo(volume_, "::/LOGO.SYS", 'a', scratch_));
        ASSERT_TRUE(MakeFolderOn(volume_, "::/WINDOWS", scratch_));
    }
    Result RunOn(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--drive-c", image_.string()});
        return Run(args);
    }

    fs::path image_;
    Volume volume_;
};

TEST_F(OneImage, AReadOnlyOrHiddenLogoIsTreatedAsOnAFolderAndKeepsItsName)
{
    struct Case {
        const char* attribute; // mattrib's flag
        const char* statusLine;
    };
    const Case cases[] = {
        {"+r", "  startup  C:\\logo.sys               129078 bytes  Valid Format\n"},
        {"+h", "  startup  C:\\logo.sys               Not Available until now, as it was hidden or system: "
               "129078 bytes, Valid Format\n"},
        {"+s", "  startup  C:\\logo.sys               Not Available until now, as it was hidden or system: "
               "129078 bytes, Valid Format\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute);
        ASSERT_EQ(RunTool("mattrib", {"-i", ImageName(volume_), c.attribute, "::/LOGO.SYS"}, scratch_).status, 0);
        const Result status = RunOn({"status"});
        EXPECT_EQ(status.status, 0) << status.err;
        EXPECT_NE(status.out.find(c.statusLine), std::string::npos) << status.out;
        // The start-up cleared it, as the real bits on the volume show.
        EXPECT_EQ(AttributesOn(volume_, "::/LOGO.SYS", scratch_).find_first_of("RHS"), std::string::npos);
        ASSERT_EQ(RunTool("mattrib", {"-i", ImageName(volume_), c.attribute, "::/LOGO.SYS"}, scratch_).status, 0);
        const Result install = RunOn({"install", "startup", "{pic}"});
        EXPECT_EQ(install.status, 0) << install.err;
        EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'n');
        WriteLogo(scratch_ / "a.sys", 'a');
        ASSERT_TRUE(CopyOnto(volume_, scratch_ / "a.sys", "::/LOGO.SYS", scratch_));
    }
    // Replaced in place: still the one entry, spelled as before, and no temporary file left.
    const ProgramResult listing = RunTool("mdir", {"-a", "-b", "-i", ImageName(volume_), "::/"}, scratch_);
    EXPECT_NE(listing.out.find("::/LOGO.SYS\n"), std::string::npos) << listing.out;
    EXPECT_EQ(listing.out.find("logo.sys"), std::string::npos) << listing.out;
    EXPECT_EQ(listing.out.find(".TMP"), std::string::npos) << listing.out;
}

// mtools' rename would overwrite a read-only file; the drive refuses first, as a folder does.
TEST_F(OneImage, AReadOnlySetFileIsNotSavedOver)
{
    const Result first = RunOn({"sets", "save", "1"});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(LogoFillOn(volume_, "::/VH Backups/Logo.C2K", scratch_), 'a');
    ASSERT_EQ(RunTool("mattrib", {"-i", ImageName(volume_), "+r", "::/VH Backups/Logo.C2K"}, scratch_).status, 0);
    ASSERT_TRUE(PutLogo(volume_, "::/LOGO.SYS", 'b', scratch_));

    const Result again = RunOn({"sets", "save", "1"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("did not copy C:\\Logo.sys to C:\\VH Backups\\Logo.C2K: C:\\VH Backups\\Logo.C2K: the "
                             "file is read-only\n"),
              std::string::npos)
        << again.out;
    EXPECT_EQ(again.err, "quillmere sets: set 1 was not saved\n");
    EXPECT_EQ(LogoFillOn(volume_, "::/VH Backups/Logo.C2K", scratch_), 'a');
    EXPECT_NE(AttributesOn(volume_, "::/VH Backups/Logo.C2K", scratch_).find('R'), std::string::npos);
    const ProgramResult listing = RunTool("mdir", {"-a", "-b", "-i", ImageName(volume_), "::/VH Backups"}, scratch_);
    EXPECT_EQ(listing.out.find(".TMP"), std::string::npos) << listing.out;
}

TEST_F(OneImage, AFailedCopyLeavesTheOldFileWholeAndNoTemporaryFile)
{
    ASSERT_EQ(RunOn({"status"}).status, 0);
    // Fill the volume so that no second copy of a logo fits.
    const fs::path filler = scratch_ / "filler";
    const ProgramResult free = RunTool("mdir", {"-i", ImageName(volume_), "::/"}, scratch_);
    ASSERT_EQ(free.status, 0);
    std::string digits;
    const std::size_t at = free.out.rfind("bytes free");
    for (std::size_t i = free.out.rfind('\n', at) + 1; i < at; ++i)
        if (std::isdigit(static_cast<unsigned char>(free.out[i])))
            digits += free.out[i];
    WriteFile(filler, std::stoull(digits) - 64 * 1024, 'f');
    ASSERT_TRUE(CopyOnto(volume_, filler, "::/FILLER", scratch_));

    const Result install = RunOn({"install", "startup", "{pic}"});
    EXPECT_EQ(install.status, 1);
    EXPECT_NE(install.err.find("quillmere install: the startup logo was not installed: "), std::string::npos)
        << install.err;
    EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'a');
    const ProgramResult listing = RunTool("mdir", {"-a", "-b", "-i", ImageName(volume_), "::/"}, scratch_);
    EXPECT_EQ(listing.out.find(".TMP"), std::string::npos) << listing.out;
}

// A step after the copy into the image fails: the old logo stays whole and the
// temporary copy goes.
TEST_F(OneImage, AFailedRenameAfterTheCopyLeavesNoTemporaryFile)
{
    ASSERT_EQ(RunOn({"status"}).status, 0);
    const fs::path tools = root_ / "tools";
    fs::create_directories(tools);
    std::ofstream(tools / "mren") << "#!/bin/sh\necho 'mren: stand-in failure' >&2\nexit 1\n";
    fs::permissions(tools / "mren", fs::perms::owner_all);
    path_ = tools.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");

    const Result install = RunOn({"install", "startup", "{pic}"});
    EXPECT_EQ(install.status, 1);
    EXPECT_NE(install.err.find("mren: stand-in failure"), std::string::npos) << install.err;
    EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'a');
    const ProgramResult listing = RunTool("mdir", {"-a", "-b", "-i", ImageName(volume_), "::/"}, scratch_);
    EXPECT_EQ(listing.out.find(".TMP"), std::string::npos) << listing.out;
}

// What a run killed half-way through a replace leaves inside the image (its
// temporary copy) goes at the next start; files of other names stay.
TEST_F(OneImage, TheNextRunRemovesTheTemporaryCopiesOfAKilledOne)
{
    ASSERT_EQ(RunOn({"status"}).status, 0);
    for (const char* name : {"::/QM0A1B2C.TMP", "::/VHBACK~1/QMFFFFFF.TMP", "::/WINDOWS/QM123456.TMP"})
        ASSERT_TRUE(PutLogo(volume_, name, 't', scratch_)) << name;
    // Not of the program's own making: another pattern, or a long name.
    for (const char* name : {"::/QM12345.TMP", "::/qm0a1b2c.tmp.txt", "::/QMOTHER1.TMP"})
        ASSERT_TRUE(PutLogo(volume_, name, 'u', scratch_)) << name;
    ASSERT_EQ(RunOn({"status"}).status, 0);
    for (const char* name : {"::/QM0A1B2C.TMP", "::/VHBACK~1/QMFFFFFF.TMP", "::/WINDOWS/QM123456.TMP"})
        EXPECT_EQ(LogoFillOn(volume_, name, scratch_), '?') << name;
    for (const char* name : {"::/QM12345.TMP", "::/qm0a1b2c.tmp.txt", "::/QMOTHER1.TMP"})
        EXPECT_EQ(LogoFillOn(volume_, name, scratch_), 'u') << name;
}

// The record of originals still owed, on an image: it keeps its name through
// every rewrite, and while it owes a kind, or cannot be read, that kind's logo
// is not replaced.
TEST_F(OneImage, AnOwedOriginalIsNeverReplaced)
{
    struct Case {
        const char* title;
        std::function<bool()> make; // after a first run that kept LOGO.SYS
        std::vector<std::string> install;
        const char* refusal;
        const char* logo;  // its path, and what it must still hold after the install
        char fill;
    };
    const fs::path big = scratch_ / "big";
    WriteFile(big, 5000000, 'c');
    const auto put = [&](const fs::path& file, const std::string& name) { return CopyOnto(volume_, file, name, scratch_); };
    const Case cases[] = {
        {"an original too big to keep, with the record rewritten",
         [] { return true; },
         {"install", "safe", "{pic}"},
         "the original safe logo is not kept in C:\\VH Backups yet, so it is not replaced",
         "::/WINDOWS/LOGOS.SYS",
         'c'},
        {"a record too long to read",
         [&] {
             WriteFile(scratch_ / "record", 5008, ' ');
             std::ofstream(scratch_ / "record", std::ios::in | std::ios::out) << "startup\n";
             return RunTool("mdel", {"-i", ImageName(volume_), "::/VH Backups/Logo.C1K"}, scratch_).status == 0 &&
                    put(scratch_ / "record", "::/VH Backups/Originals owed.txt");
         },
         {"install", "startup", "{pic}"},
         "not replaced",
         "::/LOGO.SYS",
         'a'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ASSERT_EQ(MakeDisk(image_, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x0E, .active = true}},
                           17 * kMiB, scratch_)
                      .size(),
                  1u);
        ASSERT_TRUE(PutLogo(volume_, "::/LOGO.SYS", 'a', scratch_));
        ASSERT_TRUE(MakeFolderOn(volume_, "::/WINDOWS", scratch_));
        ASSERT_TRUE(put(big, "::/WINDOWS/LOGOS.SYS"));
        const Result first = RunOn({"status"});
        EXPECT_EQ(first.status, 1) << first.out << first.err;
        // Under its long name, as the record is looked for.
        const ProgramResult store = RunTool("mdir", {"-a", "-b", "-i", ImageName(volume_), "::/VH Backups"}, scratch_);
        EXPECT_NE(store.out.find("::/VH Backups/Originals owed.txt\n"), std::string::npos) << store.out;
        EXPECT_EQ(ContentsOn(volume_, "::/VH Backups/Originals owed.txt", scratch_).value_or("?"), "safe\n");
        ASSERT_TRUE(c.make());
        const std::string before = ContentsOn(volume_, c.logo, scratch_).value_or("?");
        const Result install = RunOn(c.install);
        EXPECT_EQ(install.status, 1) << install.out;
        EXPECT_NE(install.err.find(c.refusal), std::string::npos) << install.err;
        EXPECT_EQ(ContentsOn(volume_, c.logo, scratch_).value_or("?"), before);
        EXPECT_EQ(before.front(), c.fill);
    }
}

// A record that owes a kind whose original is kept is wrong: the kept
// original is never copied over.
TEST_F(OneImage, AKeptOriginalIsNotCopiedOverForARecordThatOwesIt)
{
    ASSERT_EQ(RunOn({"status"}).status, 0);
    ASSERT_EQ(RunOn({"install", "startup", "{pic}"}).status, 0);
    const fs::path record = scratch_ / "record";
    std::ofstream(record) << "startup\n";
    ASSERT_TRUE(CopyOnto(volume_, record, "::/VH Backups/Originals owed.txt", scratch_));
    RunOn({"status"});
    EXPECT_EQ(LogoFillOn(volume_, "::/VH Backups/Logo.C1K", scratch_), 'a');
    EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'n');
}

TEST_F(OneImage, ThePartitionOptionPicksAnotherVolume)
{
    // Partition 1 (active) and partition 2, with its own startup logo.
    const std::vector<Volume> v =
        MakeDisk(image_,
                 {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x06, .active = true},
                  {.start = 17 * kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x06}},
                 33 * kMiB, scratch_);
    ASSERT_EQ(v.size(), 2u);
    checked_ = {v[0], v[1]};
    ASSERT_TRUE(PutLogo(v[1], "::/logo.sys", 'z', scratch_));

    const Result second = RunOn({"--partition", "2", "status"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("Drive C: is partition 2 (FAT16) of the disk image " + image_.string() + "\n"),
              std::string::npos)
        << second.out;
    EXPECT_NE(second.out.find("copied C:\\Logo.sys to C:\\VH Backups\\Logo.C1K\n"), std::string::npos) << second.out;
    EXPECT_EQ(LogoFillOn(v[1], "::/VH Backups/Logo.C1K", scratch_), 'z');
    // Partition 1 was not touched.
    EXPECT_NE(RunTool("mdir", {"-i", ImageName(v[0]), "::/VH Backups"}, scratch_).status, 0);

    const Result first = RunOn({"status"});
    EXPECT_NE(first.out.find("Drive C: is partition 1 (FAT16)"), std::string::npos) << first.out;

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* err;
    };
    const Case refused[] = {
        {{"--partition", "3", "status"}, 1, "has no partition 3 (partitions 1 of type 0x06, 2 of type 0x06)"},
        {{"--partition", "5", "status"}, 2, "quillmere: --partition must be 1 to 4, not '5'\n"},
        {{"--partition", "x", "status"}, 2, "--partition must be 1 to 4, not 'x'"},
    };
    for (const Case& c : refused) {
        const Result r = RunOn(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    const Result onFolder = Run({"--drive-c", root_.string(), "--partition", "1", "status"});
    EXPECT_EQ(onFolder.status, 1);
    EXPECT_NE(onFolder.err.find("is a folder; a partition is chosen only on a disk image"), std::string::npos)
        << onFolder.err;
}

TEST_F(OneImage, AnImageAVirtualMachineHoldsIsRefused)
{
    // Checked when the image is opened too: a user who may only read the image
    // hears that it is in use, not that nothing could be written.
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "an image the user may only read" : "an image the user may write");
        if (readOnly) {
            if (const std::string why = WhyOrdinaryUserCannotRun(QUILLMERE_EXE, {image_, root_ / "new.bmp"});
                !why.empty())
                GTEST_SKIP() << why;
            fs::permissions(image_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            asOrdinaryUser_ = true;
        }
        // As QEMU does: shared locks on single bytes of the image, through an open file description.
        int ready[2], release[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(release), 0);
        const std::string before = Checksum(image_);
        const pid_t holder = ::fork();
        ASSERT_GE(holder, 0);
        if (holder == 0) {
            ::alarm(kChildTimeout);
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(image_.c_str(), O_RDONLY);
            struct flock lock {};
            lock.l_type = F_RDLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 100;
            lock.l_len = 2;
            const bool locked = fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
            const char state = locked ? 'L' : 'x';
            if (::write(ready[1], &state, 1) != 1)
                ::_exit(1);
            char any;
            while (::read(release[0], &any, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        char state = 0;
        ASSERT_EQ(::read(ready[0], &state, 1), 1);
        ASSERT_EQ(state, 'L');

        const Result r = RunOn({"status"});
        ::close(release[1]);
        int status = 0;
        ::waitpid(holder, &status, 0);
        ::close(ready[0]);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "quillmere status: " + image_.string() +
                             ": the disk image is in use: a running virtual machine or emulator has it open; shut "
                             "it down first\n");
        EXPECT_EQ(Checksum(image_), before);
        // Free again, it works.
        EXPECT_EQ(RunOn({"status"}).status, 0);
    }
}

TEST_F(OneImage, AnImageTheUserMayNotWriteIsListedAndNotChanged)
{
    if (const std::string why = WhyOrdinaryUserCannotRun(QUILLMERE_EXE, {image_, root_ / "new.bmp"}); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(RunOn({"status"}).status, 0);
    const std::string before = Checksum(image_);
    fs::permissions(image_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    asOrdinaryUser_ = true;

    const Result status = RunOn({"status"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("  startup  C:\\logo.sys               129078 bytes  Valid Format\n"), std::string::npos)
        << status.out;
    const Result check = RunOn({"check", "{pic}"});
    EXPECT_EQ(check.status, 0) << check.err;

    const Result install = RunOn({"install", "startup", "{pic}"});
    EXPECT_EQ(install.status, 1);
    EXPECT_EQ(install.err, "quillmere install: the startup logo was not installed: C:\\Logo.sys: the disk image " +
                               image_.string() + " is not writable for you, so nothing on it is changed\n");
    EXPECT_EQ(Checksum(image_), before);
}

// --- images that cannot be drive C: ------------------------------------------------

// --- the start logo's switch and Windows' own logo ---------------------------

// As Windows 98 writes it: CRLF, comments and the x padding that keeps it above 1024 bytes.
std::string Win98MsdosSys()
{
    std::string text = "[Paths]\r\nWinDir=C:\\WINDOWS\r\nWinBootDir=C:\\WINDOWS\r\nHostWinBootDrv=C\r\n\r\n"
                       "[Options]\r\nBootMulti=1\r\nBootGUI=1\r\nWinVer=4.10.2222\r\n;\r\n"
                       ";Do not remove them (MSDOS.SYS needs to be >1024 bytes).\r\n";
    for (char c = 'a'; c <= 'q'; ++c)
        text += ";" + std::string(68, 'x') + c + "\r\n";
    return text;
}

TEST_F(OneImage, BootLogoSetsOnlyTheSwitchOnAFolderAndOnAnImage)
{
    struct Case {
        const char* title;
        std::string before;
        const char* onOff;
        std::optional<std::string> after; // none: refused, unchanged
        const char* said;                 // in standard output, or standard error when refused
    };
    const std::string win98 = Win98MsdosSys();
    const Case cases[] = {
        {"off: a line under [Options]", win98, "off",
         std::string(win98).insert(win98.find("BootMulti"), "Logo=0\r\n"), "Set Logo=0 in C:\\MSDOS.SYS.\n"},
        {"on: the value in place, LF and letter case kept", "[OPTIONS]\nlogo = 0\n;x\n", "on",
         "[OPTIONS]\nlogo = 1\n;x\n", "Start logo at boot: shown\n"},
        {"no [Options]: the section added", "[Paths]\r\nWinDir=C:\\WINDOWS\r\n", "off",
         "[Paths]\r\nWinDir=C:\\WINDOWS\r\n[Options]\r\nLogo=0\r\n", "hidden (Logo=0 in C:\\MSDOS.SYS)\n"},
        {"already on", win98, "on", win98, "already; nothing was changed.\n"},
        {"MS-DOS's binary file", std::string("\xEB\x3C\x90MSDOS\0\0", 10), "off", std::nullopt,
         "C:\\MSDOS.SYS: holds NUL bytes, as the binary MSDOS.SYS of MS-DOS does, so it was not changed\n"},
        {"too large", std::string(64 * 1024 + 1, 'x'), "off", std::nullopt, "is larger than 64 KB"},
    };
    const fs::path folder = root_ / "drive";
    fs::create_directories(folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        fs::remove_all(folder / "VH Backups");
        std::ofstream(folder / "MSDOS.SYS", std::ios::binary | std::ios::trunc) << c.before;
        const fs::path staged = scratch_ / "MSDOS.SYS";
        std::ofstream(staged, std::ios::binary | std::ios::trunc) << c.before;
        ASSERT_TRUE(CopyOnto(volume_, staged, "::/MSDOS.SYS", scratch_));
        ASSERT_EQ(RunTool("mattrib", {"-i", ImageName(volume_), "+r", "+h", "+s", "::/MSDOS.SYS"}, scratch_).status, 0);
        RunTool("mdeltree", {"-i", ImageName(volume_), "::/VH Backups"}, scratch_);

        const Result onFolder = Run({"--drive-c", folder.string(), "boot-logo", c.onOff});
        const Result onImage = RunOn({"boot-logo", c.onOff});
        for (const Result* r : {&onFolder, &onImage}) {
            EXPECT_EQ(r->status, c.after ? 0 : 1) << r->err;
            EXPECT_NE((c.after ? r->out : r->err).find(c.said), std::string::npos) << r->out << r->err;
        }
        const std::string expected = c.after.value_or(c.before);
        EXPECT_EQ(ReadFile(folder / "MSDOS.SYS"), expected);
        EXPECT_EQ(ContentsOn(volume_, "::/MSDOS.SYS", scratch_), expected);
        // Hidden, system and read-only again, as Windows needs it.
        const std::string attributes = AttributesOn(volume_, "::/MSDOS.SYS", scratch_);
        for (const char bit : {'R', 'H', 'S'})
            EXPECT_NE(attributes.find(bit), std::string::npos) << attributes;
        // The original is kept at a change only, and never replaced after.
        const bool changed = c.after && *c.after != c.before;
        EXPECT_EQ(fs::exists(folder / "VH Backups" / "Msdos.C1K"), changed);
        EXPECT_EQ(ContentsOn(volume_, "::/VH Backups/Msdos.C1K", scratch_),
                  changed ? std::optional(c.before) : std::nullopt);
        if (changed) {
            const char* back = std::string(c.onOff) == "on" ? "off" : "on";
            ASSERT_EQ(Run({"--drive-c", folder.string(), "boot-logo", back}).status, 0);
            ASSERT_EQ(RunOn({"boot-logo", back}).status, 0);
            EXPECT_EQ(ReadFile(folder / "VH Backups" / "Msdos.C1K"), c.before);
            EXPECT_EQ(ContentsOn(volume_, "::/VH Backups/Msdos.C1K", scratch_), c.before);
        }
    }
}

TEST_F(OneImage, RemoveKeepsTheLogoThenLeavesWindowsOwn)
{
    // The image's startup logo ('a') is kept as the original at the first run;
    // a later one goes to the file of removed logos, which the next replaces.
    const fs::path folder = root_ / "drive";
    WriteLogo(folder / "logo.sys", 'a');
    const auto both = [&](std::vector<std::string> args) {
        std::vector<std::string> onFolder = {"--drive-c", folder.string()};
        onFolder.insert(onFolder.end(), args.begin(), args.end());
        return std::pair{Run(onFolder), RunOn(args)};
    };
    struct Step {
        const char* title;
        std::vector<std::string> args;
        int status;
        const char* said;
        char removed; // the fill of C:\VH Backups\Removed logo.sys, '?' when none
    };
    const Step steps[] = {
        {"the original is kept already", {"remove", "startup"}, 0,
         "Removed the startup logo; it is kept as C:\\VH Backups\\Removed logo.sys.\n", 'a'},
        {"nothing left to remove", {"remove", "startup"}, 0,
         "C:\\logo.sys does not exist, so Windows shows its own logo already.\n", 'a'},
        {"status says so", {"status"}, 0, "  startup  C:\\logo.sys               Windows' own (no C:\\logo.sys)\n", 'a'},
        {"a newer logo replaces the removed one", {"install", "startup", "{pic}"}, 0, "Installed", 'a'},
        {"", {"remove", "startup"}, 0, "kept as C:\\VH Backups\\Removed logo.sys", 'n'},
        {"no safe logo: nothing to do", {"remove", "safe"}, 0, "so Windows shows its own logo already", 'n'},
        {"an unknown kind", {"remove", "boot"}, 2, "unknown logo kind 'boot'", 'n'},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.title);
        const auto [onFolder, onImage] = both(step.args);
        for (const Result* r : {&onFolder, &onImage}) {
            EXPECT_EQ(r->status, step.status) << r->err;
            EXPECT_NE((r->out + r->err).find(step.said), std::string::npos) << r->out << r->err;
        }
        if (step.args[0] == "remove") {
            EXPECT_FALSE(fs::exists(folder / "logo.sys"));
            EXPECT_FALSE(fs::exists(folder / "Logo.sys"));
            EXPECT_FALSE(ContentsOn(volume_, "::/LOGO.SYS", scratch_));
        }
        EXPECT_EQ(LogoFill(folder / "VH Backups" / "Removed logo.sys"), step.removed);
        EXPECT_EQ(LogoFillOn(volume_, "::/VH Backups/Removed logo.sys", scratch_), step.removed);
    }
    EXPECT_EQ(LogoFill(folder / "VH Backups" / "Logo.C1K"), 'a');
    EXPECT_EQ(LogoFillOn(volume_, "::/VH Backups/Logo.C1K", scratch_), 'a');
    EXPECT_FALSE(ContentsOn(volume_, "::/LOGO.SYS", scratch_));
    // Restore Originals brings the first one back.
    const auto [restoredFolder, restoredImage] = both({"restore-originals"});
    EXPECT_EQ(restoredImage.status, 0) << restoredImage.err;
    // A new file is spelled as Windows spells it.
    EXPECT_EQ(LogoFill(folder / "Logo.sys"), 'a');
    EXPECT_EQ(LogoFillOn(volume_, "::/LOGO.SYS", scratch_), 'a');
}

TEST_F(ImageCli, RemoveWithNoOriginalKeepsItAsTheOriginal)
{
    // The first run found no logo; one installed later is kept as the original when removed.
    const fs::path folder = root_ / "drive";
    fs::create_directories(folder);
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--drive-c", folder.string()});
        return Run(args);
    };
    ASSERT_EQ(run({"status"}).status, 0);
    ASSERT_EQ(run({"install", "startup", "{pic}"}).status, 0);
    const Result removed = run({"remove", "startup"});
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_NE(removed.out.find("kept as C:\\VH Backups\\Logo.C1K."), std::string::npos) << removed.out;
    EXPECT_EQ(LogoFill(folder / "VH Backups" / "Logo.C1K"), 'n');
    EXPECT_FALSE(fs::exists(folder / "logo.sys"));
    EXPECT_FALSE(fs::exists(folder / "VH Backups" / "Removed logo.sys"));
}

TEST_F(ImageCli, ImagesThatCannotBeDriveCAreRefusedAndLeftAsTheyWere)
{
    const fs::path good = root_ / "good.img";
    std::ofstream(good).close();
    ASSERT_EQ(MakeDisk(good, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .active = true}}, 17 * kMiB, scratch_)
                  .size(),
              1u);
    const std::string goodBytes = ReadFile(good);
    const auto header = [](std::string start, std::size_t at = 0, std::string more = {}) {
        std::string bytes(64 * 1024, '\0');
        bytes.replace(0, start.size(), start);
        bytes.replace(at, more.size(), more);
        return bytes;
    };
    // The same disk with partition 1 of another type, or reaching past the end.
    std::string linux = goodBytes;
    linux[446 + 4] = '\x83';
    std::string pastEnd = goodBytes.substr(0, 9 * kMiB);
    // The partition table gives partition 1 half the sectors its file system
    // has: writes near its end would land past the partition.
    std::string shortPartition = goodBytes;
    for (int b = 0; b < 4; ++b)
        shortPartition[458 + b] = static_cast<char>(((8 * kMiB / 512) >> (8 * b)) & 0xFF);
    std::string noFat = goodBytes;
    noFat.replace(kMiB, 512, std::string(512, '\0'));
    // The footer of a VHD of disk type (big-endian at 60) 3 dynamic, 4 differencing.
    const auto vhdFooter = [](char type) {
        std::string footer(512, '\0');
        footer.replace(0, 8, "conectix");
        footer[63] = type;
        return footer;
    };
    // A dynamic VHD starts with a copy of its footer; a differencing one whose
    // first sector is lost still ends with it, after a disk that looks raw.
    const std::string dynamicVhd = header(vhdFooter(3)) + vhdFooter(3);
    const std::string differencingVhd = goodBytes + vhdFooter(4);

    struct Case {
        const char* title;
        std::string bytes;
        const char* reason; // what standard error says after the file's name
        const char* format = nullptr; // for a damaged image in a format QEMU reads: what it is said to be
    };
    // Whether QEMU can serve these or not (no FUSE here), the message names the format.
    const Case cases[] = {
        {"qcow2", header("QFI\xFB\0\0\0\3", 0), nullptr, "is a qcow2 disk image"},
        {"vdi", header("<<< Oracle VM VirtualBox Disk Image >>>\n", 0x40, "\x7F\x10\xDA\xBE"), nullptr,
         "is a VDI disk image"},
        {"vmdk sparse", header("KDMV\x01"), nullptr, "is a VMDK disk image"},
        {"vmdk descriptor", header("# Disk DescriptorFile\nversion=1\nCID=fffffffe\n"), nullptr,
         "is a VMDK disk image"},
        {"vhdx", header("vhdxfile"), nullptr, "is a VHDX disk image"},
        {"dynamic vhd", dynamicVhd, nullptr, "is a dynamic VHD disk image"},
        {"footer of a differencing vhd alone", differencingVhd,
         "ends with the footer of a dynamic or differencing VHD disk image but does not start with its copy: the "
         "image is damaged\n"},
        {"empty", "", "is empty, so it is neither a folder nor a disk image\n"},
        {"text", std::string(4096, 'x'), "holds no FAT file system and no partition table"},
        {"truncated bare volume", goodBytes.substr(kMiB, 8 * kMiB),
         "the disk image is truncated: its FAT file system needs 16777216 bytes, but the image has only 8388608\n"},
        {"partition past the end", pastEnd,
         "partition 1 runs past the end of the disk image (it ends at byte 17825792, the image has 9437184 "
         "bytes): the image is truncated or damaged\n"},
        {"unknown type", linux, "has no FAT partition (partitions 1 of type 0x83)\n"},
        {"file system larger than its partition", shortPartition,
         "the FAT file system of partition 1 is larger than the partition: the image is damaged\n"},
        {"unformatted partition", noFat, "partition 1 holds no FAT file system (it may never have been formatted)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const fs::path image = root_ / "refused.img";
        std::ofstream(image, std::ios::binary | std::ios::trunc) << c.bytes;
        const std::string before = Checksum(image);
        const Result r = Run({"--drive-c", image.string(), "status"});
        EXPECT_EQ(r.status, 1);
        const std::string prefix = "quillmere status: " + image.string() + ": ";
        EXPECT_TRUE(r.err.starts_with(prefix)) << r.err;
        EXPECT_NE(r.err.find(c.reason ? prefix + c.reason : prefix + c.format), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Checksum(image), before);
    }
    // The good one is drive C: and stays a sound file system.
    Check({good, kMiB, 16 * kMiB});
    const Result r = Run({"--drive-c", good.string(), "--partition", "1", "status"});
    EXPECT_EQ(r.status, 0) << r.err;
}

} // namespace
} // namespace quillmere
