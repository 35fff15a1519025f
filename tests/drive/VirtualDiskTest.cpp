// Drive C: inside the disk formats QEMU reads (qcow2, VDI, VMDK, VHDX, dynamic
// VHD), made here by qemu-img from a raw image and worked on by the built
// program: every command does what it does on a raw image, only the image's
// active layer changes, and images that cannot be changed safely are refused
// as they were. Skipped where QEMU's tools or FUSE are missing.
#include "support/ImageFixture.h"
#include "support/StartProgram.h"

#include "imaging/StopAtStep.h"

#include <csignal>
#include <fstream>
#include <set>

#include <fcntl.h>
#include <sys/wait.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

std::string WhyNoQemu()
{
    for (const char* tool : {"qemu-img", "qemu-nbd", "qemu-io", "nbdfuse"}) {
        if (!FindTool(tool))
            return std::string(tool) + " is not installed (scripts/setup.sh installs qemu-utils and libnbd-bin)";
    }
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0)
        return std::string("/dev/fuse cannot be opened: ") + std::strerror(errno);
    ::close(fuse);
    return {};
}

struct Result {
    int status = -1;
    std::string out, err;
};

// A raw disk with one FAT16 partition holding two logos and a file of the
// user's, converted to the format under test.
class VirtualDisk : public ImageScratchDrive {
protected:
    void SetUp() override
    {
        ImageScratchDrive::SetUp();
        if (IsSkipped())
            return;
        if (const std::string why = WhyNoQemu(); !why.empty())
            GTEST_SKIP() << why;
        tmp_ = root_ / "tmp";
        home_ = root_ / "home";
        fs::create_directories(tmp_);
        fs::create_directories(home_);
        WriteLogo(root_ / "new.bmp", 'n');
        raw_ = root_ / "disk.raw";
        std::ofstream(raw_).close();
        const std::vector<Volume> v = MakeDisk(
            raw_, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x06, .active = true}}, 17 * kMiB, scratch_);
        ASSERT_EQ(v.size(), 1u);
        ASSERT_TRUE(PutLogo(v[0], "::/LOGO.SYS", 'a', scratch_));
        ASSERT_TRUE(MakeFolderOn(v[0], "::/WINDOWS", scratch_));
        ASSERT_TRUE(PutLogo(v[0], "::/WINDOWS/LOGOW.SYS", 'b', scratch_));
        std::ofstream(scratch_ / "autoexec.bat") << "@ECHO OFF\r\nPATH C:\\WINDOWS\r\n";
        ASSERT_TRUE(CopyOnto(v[0], scratch_ / "autoexec.bat", "::/AUTOEXEC.BAT", scratch_));
    }

    void TearDown() override
    {
        // A failed test may leave a mount behind: it must not outlive the test.
        if (!tmp_.empty()) {
            for (const std::string& left : Leftovers()) {
                if (left.starts_with("mount: "))
                    RunTool("fusermount3", {"-u", "-z", Field(left, 5)}, scratch_);
            }
        }
        ImageScratchDrive::TearDown();
    }

    // The nth field (from 1) of a mountinfo line.
    static std::string Field(const std::string& line, int n)
    {
        std::size_t at = line.find(' ') + 1; // past "mount: "
        for (int i = 1; i < n; ++i)
            at = line.find(' ', at) + 1;
        return line.substr(at, line.find(' ', at) - at);
    }

    Result Run(const fs::path& image, std::vector<std::string> args, const std::string& path = {}) const
    {
        args.insert(args.begin(), {QUILLMERE_EXE, "--drive-c", image.string()});
        ProgramOptions options{.environment = {{"QUILLMERE_DRIVE_C", std::nullopt},
                                               {"XDG_DATA_HOME", std::nullopt},
                                               {"HOME", home_.string()},
                                               {"TMPDIR", tmp_.string()}},
                               .timeoutSeconds = kChildTimeout};
        if (!path.empty())
            options.environment["PATH"] = path;
        const ProgramResult r = RunProgram(args, scratch_, options);
        return {r.status, r.out, r.err};
    }

    ProgramResult Qemu(const std::string& tool, const std::vector<std::string>& args) const
    {
        return RunTool(tool, args, scratch_);
    }

    // The image made from the raw disk: qemu-img convert -O format [options].
    fs::path Make(const std::string& format, const std::vector<std::string>& options, const std::string& name)
    {
        const fs::path image = root_ / name;
        std::vector<std::string> args = {"convert", "-f", "raw", "-O", format};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {raw_.string(), image.string()});
        const ProgramResult r = Qemu("qemu-img", args);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return image;
    }

    // The volume as QEMU reads it out of image (snapshot: an internal snapshot's).
    Volume ReadBack(const fs::path& image, const std::string& format, const std::string& snapshot = {})
    {
        const fs::path back = scratch_ / ("back-" + std::to_string(backs_++) + ".raw");
        std::vector<std::string> args = {"convert", "-f", format};
        if (!snapshot.empty())
            args.insert(args.end(), {"-l", "snapshot.name=" + snapshot});
        args.insert(args.end(), {"-O", "raw", image.string(), back.string()});
        const ProgramResult r = Qemu("qemu-img", args);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return {back, kMiB, 16 * kMiB};
    }

    // What this user's runs left in their temporary folder, and FUSE mounts there.
    std::set<std::string> Leftovers() const
    {
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(tmp_))
            found.insert(e.path().filename().string());
        std::ifstream mounts("/proc/self/mountinfo");
        for (std::string line; std::getline(mounts, line);) {
            if (line.find(" " + tmp_.string() + "/") != std::string::npos)
                found.insert("mount: " + line);
        }
        return found;
    }

    fs::path tmp_, home_, raw_;
    int backs_ = 0;
};

struct Format {
    const char* title;
    const char* qemu;
    std::vector<std::string> options;
    bool checks = true; // qemu-img check knows the format
    const char* shown;  // as the drive's description names it
};

void PrintTo(const Format& f, std::ostream* os) { *os << f.title; }

class EveryFormat : public VirtualDisk, public ::testing::WithParamInterface<Format> {};

// The whole round of commands, as on a raw image; the image stays sound and
// every other file on it as it was.
TEST_P(EveryFormat, WorksAsARawImageDoes)
{
    const Format& f = GetParam();
    const fs::path image = Make(f.qemu, f.options, "win98.img");
    const auto step = [&](std::vector<std::string> args) {
        const Result r = Run(image, args);
        EXPECT_EQ(r.status, 0) << args[0] << ":\n" << r.out << r.err;
        return r;
    };
    const Result status = step({"status"});
    EXPECT_NE(status.out.find("Drive C: is partition 1 (FAT16) of the " + std::string(f.shown) + " disk image " +
                              image.string() + "\n"),
              std::string::npos)
        << status.out;
    step({"install", "startup", (root_ / "new.bmp").string()});
    step({"sets", "save", "1"});
    step({"restore-originals"});
    const Volume restored = ReadBack(image, f.qemu);
    EXPECT_EQ(LogoFillOn(restored, "::/LOGO.SYS", scratch_), 'a');
    step({"sets", "install", "1"});

    if (f.checks) {
        const ProgramResult check = Qemu("qemu-img", {"check", "-f", f.qemu, image.string()});
        EXPECT_EQ(check.status, 0) << check.out << check.err;
    }
    const Volume v = ReadBack(image, f.qemu);
    EXPECT_EQ(FsckProblem(v, scratch_), std::nullopt);
    EXPECT_EQ(LogoFillOn(v, "::/LOGO.SYS", scratch_), 'n');
    EXPECT_EQ(LogoFillOn(v, "::/WINDOWS/LOGOW.SYS", scratch_), 'b');
    EXPECT_EQ(LogoFillOn(v, "::/VH Backups/Logo.C1K", scratch_), 'a');
    EXPECT_EQ(ContentsOn(v, "::/AUTOEXEC.BAT", scratch_), "@ECHO OFF\r\nPATH C:\\WINDOWS\r\n");
    EXPECT_EQ(Leftovers(), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EveryFormat,
    ::testing::Values(Format{"qcow2", "qcow2", {}, true, "qcow2"},
                      Format{"dynamic_vhd", "vpc", {"-o", "subformat=dynamic"}, false, "dynamic VHD"},
                      Format{"vdi", "vdi", {}, true, "VDI"},
                      Format{"vmdk_monolithic_sparse", "vmdk", {"-o", "subformat=monolithicSparse"}, true, "VMDK"},
                      Format{"vmdk_split_sparse", "vmdk", {"-o", "subformat=twoGbMaxExtentSparse"}, true, "VMDK"},
                      Format{"vmdk_flat", "vmdk", {"-o", "subformat=monolithicFlat"}, true, "VMDK"},
                      Format{"vhdx", "vhdx", {}, true, "VHDX"}),
    [](const auto& info) { return std::string(info.param.title); });

// Only the active layer changes: a qcow2's internal snapshot keeps the old
// content, an overlay's backing file is left byte for byte, a VDI keeps its
// identity.
TEST_F(VirtualDisk, OnlyTheActiveLayerChanges)
{
    const fs::path snapshotted = Make("qcow2", {}, "snapshotted.qcow2");
    ASSERT_EQ(Qemu("qemu-img", {"snapshot", "-c", "before", snapshotted.string()}).status, 0);
    const fs::path base = Make("qcow2", {}, "base.qcow2");
    const fs::path overlay = root_ / "overlay.qcow2";
    ASSERT_EQ(Qemu("qemu-img", {"create", "-f", "qcow2", "-F", "qcow2", "-b", "base.qcow2", overlay.string()}).status,
              0);
    const fs::path vdi = Make("vdi", {}, "win98.vdi");
    const auto uuid = [&] { return ReadFile(vdi).substr(0x188, 16); }; // its creation UUID
    const std::string vdiUuid = uuid();
    const std::string baseBytes = Checksum(base);

    for (const fs::path& image : {snapshotted, overlay, vdi})
        EXPECT_EQ(Run(image, {"install", "startup", (root_ / "new.bmp").string()}).status, 0) << image;

    const ProgramResult list = Qemu("qemu-img", {"snapshot", "-l", snapshotted.string()});
    EXPECT_NE(list.out.find("before"), std::string::npos) << list.out;
    EXPECT_EQ(LogoFillOn(ReadBack(snapshotted, "qcow2", "before"), "::/LOGO.SYS", scratch_), 'a');
    EXPECT_EQ(LogoFillOn(ReadBack(snapshotted, "qcow2"), "::/LOGO.SYS", scratch_), 'n');
    EXPECT_EQ(Checksum(base), baseBytes);
    EXPECT_EQ(LogoFillOn(ReadBack(overlay, "qcow2"), "::/LOGO.SYS", scratch_), 'n');
    EXPECT_EQ(uuid(), vdiUuid);
    EXPECT_EQ(LogoFillOn(ReadBack(vdi, "vdi"), "::/LOGO.SYS", scratch_), 'n');
}

// Refused with the reason, and left byte for byte.
TEST_F(VirtualDisk, ImagesThatCannotBeChangedSafelyAreRefusedUnchanged)
{
    // A differencing VHD: a dynamic one with its type set to 4 and a parent named in its header.
    const fs::path differencing = Make("vpc", {"-o", "subformat=dynamic"}, "child.vhd");
    {
        std::string bytes = ReadFile(differencing);
        const auto setType = [&](std::size_t footer) { bytes[footer + 63] = 4; };
        setType(0);
        setType(bytes.size() - 512);
        std::size_t header = 0; // the dynamic header's offset, big-endian at footer byte 16
        for (int i = 0; i < 8; ++i)
            header = (header << 8) | static_cast<unsigned char>(bytes[16 + static_cast<std::size_t>(i)]);
        const std::string parent = "Windows 98 base.vhd";
        for (std::size_t i = 0; i < parent.size(); ++i) {
            bytes[header + 64 + 2 * i] = 0;
            bytes[header + 64 + 2 * i + 1] = parent[i];
        }
        std::ofstream(differencing, std::ios::binary | std::ios::trunc) << bytes;
    }
    const fs::path stream = Make("vmdk", {"-o", "subformat=streamOptimized"}, "export.vmdk");
    const fs::path base = Make("qcow2", {}, "gone.qcow2");
    const fs::path orphan = root_ / "orphan.qcow2";
    ASSERT_EQ(Qemu("qemu-img", {"create", "-f", "qcow2", "-F", "qcow2", "-b", "gone.qcow2", orphan.string()}).status,
              0);
    fs::remove(base);
    const fs::path crafted = root_ / "crafted.qcow2";
    ASSERT_EQ(Qemu("qemu-img", {"create", "-f", "qcow2", "-F", "raw", "-b", "json:{\"file.filename\":\"/etc/passwd\"}",
                                crafted.string(), "16M"})
                  .status,
              0);
    const fs::path held = Make("qcow2", {}, "held.qcow2");

    // As a running QEMU holds its image: qemu-io, which prompts once it has
    // the image open, and holds it until its input ends.
    int toHolder[2], fromHolder[2];
    ASSERT_EQ(::pipe2(toHolder, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(fromHolder, O_CLOEXEC), 0);
    const std::optional<std::string> qemuIo = FindTool("qemu-io");
    const std::string heldPath = held.string();
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::dup2(toHolder[0], 0);
        ::dup2(fromHolder[1], 1);
        ::dup2(fromHolder[1], 2);
        ::execl(qemuIo->c_str(), "qemu-io", "-f", "qcow2", heldPath.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(toHolder[0]);
    ::close(fromHolder[1]);
    std::string prompt;
    for (char c; prompt.find("qemu-io>") == std::string::npos && ::read(fromHolder[0], &c, 1) == 1;)
        prompt += c;
    ASSERT_NE(prompt.find("qemu-io>"), std::string::npos) << prompt;

    struct Case {
        fs::path image;
        std::string reason;
    };
    const Case cases[] = {
        {differencing, "is a differencing VHD disk image whose parent is Windows 98 base.vhd: QEMU cannot read its "
                       "parent, so a change would hide the parent's data"},
        {stream, "is a streamOptimized VMDK disk image, which is made to be copied, not changed, and can only be read"},
        {orphan, "its backing file " + (root_ / "gone.qcow2").string() + " is missing"},
        {crafted, "names its backing file as json:{\"file.filename\":\"/etc/passwd\"}, which is not a plain file name"},
        {held, "the disk image is in use"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image.filename().string());
        const std::string before = Checksum(c.image);
        const Result r = Run(c.image, {"install", "startup", (root_ / "new.bmp").string()});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.image.string() + ": " + c.reason), std::string::npos) << r.err;
        EXPECT_EQ(Checksum(c.image), before);
    }
    ::close(toHolder[1]); // qemu-io ends at the end of its input
    ::waitpid(holder, nullptr, 0);
    ::close(fromHolder[0]);
    EXPECT_EQ(Leftovers(), std::set<std::string>{});
}

// Without QEMU's tools the message says which packages give them, and how to
// go on without them.
TEST_F(VirtualDisk, WithoutTheToolsTheMessageNamesThePackages)
{
    const fs::path image = Make("qcow2", {}, "win98.qcow2");
    const std::string before = Checksum(image);
    fs::create_directories(root_ / "bin");
    const Result r = Run(image, {"status"}, (root_ / "bin").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(image.string() + ": is a qcow2 disk image, which drive C: reaches through qemu-nbd and "
                         "nbdfuse (Debian packages qemu-utils, libnbd-bin and fuse3), but nbdfuse is not installed; "
                         "install them, or convert it with \"qemu-img convert -O raw IMAGE IMAGE.raw\""),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Checksum(image), before);
    EXPECT_EQ(Leftovers(), std::set<std::string>{});
}

// Ended while the image is mounted: by a signal, the run takes the mount down
// itself; killed outright, the next run does. Either way the image is free
// and sound afterwards.
class EndedWhileMounted : public VirtualDisk, public ::testing::WithParamInterface<int> {};

TEST_P(EndedWhileMounted, TheMountGoes)
{
    const fs::path image = Make("qcow2", {}, "win98.qcow2");
    const pid_t run = StartProgram({QUILLMERE_EXE, "--drive-c", image.string(), "status"}, "/dev/null",
                                   {"HOME=" + home_.string(), "TMPDIR=" + tmp_.string(),
                                    "QUILLMERE_STOP_AT=" + std::string(kStepImageServed)});
    ASSERT_GT(run, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(run, &status, WUNTRACED), run);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the run ended before it mounted the image";
    const std::set<std::string> mounted = Leftovers();
    EXPECT_TRUE(std::any_of(mounted.begin(), mounted.end(), [](const std::string& e) { return e.starts_with("mount: "); }));

    ::kill(run, GetParam());
    ::kill(run, SIGCONT);
    ASSERT_EQ(::waitpid(run, &status, 0), run);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam());
    if (GetParam() == SIGKILL) {
        EXPECT_NE(Leftovers(), std::set<std::string>{}) << "nothing was left to clean up";
        const Result next = Run(image, {"status"});
        EXPECT_EQ(next.status, 0) << next.err;
    }
    EXPECT_EQ(Leftovers(), std::set<std::string>{});
    const ProgramResult check = Qemu("qemu-img", {"check", "-f", "qcow2", image.string()});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
}

INSTANTIATE_TEST_SUITE_P(Signals, EndedWhileMounted, ::testing::Values(SIGTERM, SIGINT, SIGKILL),
                         [](const auto& info) { return std::string(::sigabbrev_np(info.param)); });

} // namespace
} // namespace quillmere
