// Disk images made for the tests with the real tools: mkfs.fat for the FAT
// volumes, an MBR written here, mtools to put files in and read them back, and
// fsck.fat to check the file system afterwards. Tests skip when a tool is
// missing (scripts/setup.sh installs them).
#pragma once

#include "DriveFixture.h"

#include "support/ChildProcess.h"
#include "support/RunProgram.h"

#include <cstdint>
#include <fstream>
#include <optional>

#include <unistd.h>

namespace quillmere::testing {

// The tool's path on PATH or in the system folders (mkfs.fat lives in /usr/sbin).
inline std::optional<std::string> FindTool(const std::string& name)
{
    std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
    dirs += ":/usr/sbin:/sbin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        start = end + 1;
        if (candidate[0] == '/' && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

inline constexpr std::uint64_t kMiB = 1 << 20;

struct Partition {
    std::uint64_t start = kMiB; // bytes
    std::uint64_t size = 0;     // bytes
    int fatBits = 16;           // 0: leave it unformatted
    unsigned type = 0x06;       // the MBR's partition type
    bool active = false;
};

// A FAT volume made on an image: the file, where the volume starts and how long it is.
struct Volume {
    fs::path image;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

inline ProgramResult RunTool(const std::string& tool, std::vector<std::string> args, const fs::path& scratch)
{
    const std::optional<std::string> path = FindTool(tool);
    if (!path)
        return {};
    args.insert(args.begin(), *path);
    ProgramOptions options{.environment = {{"MTOOLS_SKIP_CHECK", "1"}, {"MTOOLSRC", "/dev/null"}},
                           .timeoutSeconds = kChildTimeout};
    return RunProgram(args, scratch, options);
}

inline std::string ImageName(const Volume& v) { return v.image.string() + "@@" + std::to_string(v.offset); }

// Formats a FAT volume of the given size at offset in image (made or grown as needed).
inline bool Format(const fs::path& image, std::uint64_t offset, std::uint64_t size, int fatBits,
                   const fs::path& scratch)
{
    std::vector<std::string> args = {"-F", std::to_string(fatBits), "-n", "DRIVE C"};
    if (fatBits == 32)
        args.insert(args.end(), {"-s", "1"});
    if (offset != 0)
        args.insert(args.end(), {"--offset", std::to_string(offset / 512)});
    args.insert(args.end(), {image.string(), std::to_string(size / 1024)});
    return RunTool("mkfs.fat", args, scratch).status == 0;
}

// A hard-disk image with an MBR holding these partitions, each formatted.
inline std::vector<Volume> MakeDisk(const fs::path& image, const std::vector<Partition>& partitions,
                                    std::uint64_t diskSize, const fs::path& scratch)
{
    fs::resize_file(image, 0);
    fs::resize_file(image, diskSize);
    std::vector<Volume> volumes;
    for (const Partition& p : partitions) {
        if (p.fatBits != 0 && !Format(image, p.start, p.size, p.fatBits, scratch))
            return {};
        volumes.push_back({image, p.start, p.size});
    }
    std::string mbr(512, '\0');
    for (std::size_t i = 0; i < partitions.size(); ++i) {
        const Partition& p = partitions[i];
        const std::uint32_t fields[2] = {static_cast<std::uint32_t>(p.start / 512),
                                         static_cast<std::uint32_t>(p.size / 512)};
        char* e = &mbr[446 + 16 * i];
        e[0] = static_cast<char>(p.active ? 0x80 : 0);
        e[4] = static_cast<char>(p.type);
        for (int f = 0; f < 2; ++f)
            for (int b = 0; b < 4; ++b)
                e[8 + 4 * f + b] = static_cast<char>((fields[f] >> (8 * b)) & 0xFF);
    }
    mbr[510] = '\x55';
    mbr[511] = '\xAA';
    std::fstream(image, std::ios::in | std::ios::out | std::ios::binary).write(mbr.data(), 512);
    return volumes;
}

// Copies file to path ("::/Windows/logow.sys") on the volume, replacing what is there.
inline bool CopyOnto(const Volume& v, const fs::path& file, const std::string& path, const fs::path& scratch)
{
    return RunTool("mcopy", {"-D", "o", "-i", ImageName(v), file.string(), path}, scratch).status == 0;
}

// The bytes of the file at path on the volume; none when it cannot be read.
inline std::optional<std::string> ContentsOn(const Volume& v, const std::string& path, const fs::path& scratch)
{
    ProgramResult r = RunTool("mtype", {"-i", ImageName(v), path}, scratch);
    if (r.status != 0)
        return std::nullopt;
    return std::move(r.out);
}

// Puts a logo-sized file of fill bytes at path on the volume.
inline bool PutLogo(const Volume& v, const std::string& path, char fill, const fs::path& scratch)
{
    const fs::path staged = scratch / "staged.sys";
    WriteLogo(staged, fill);
    return CopyOnto(v, staged, path, scratch);
}

inline bool MakeFolderOn(const Volume& v, const std::string& path, const fs::path& scratch)
{
    return RunTool("mmd", {"-i", ImageName(v), path}, scratch).status == 0;
}

// The fill of a logo on the volume, as LogoFill tells it of a host file.
inline char LogoFillOn(const Volume& v, const std::string& path, const fs::path& scratch)
{
    const std::optional<std::string> bytes = ContentsOn(v, path, scratch);
    if (!bytes)
        return '?';
    if (bytes->size() != kLogoBytes || std::count(bytes->begin(), bytes->end(), bytes->front()) != std::ptrdiff_t(kLogoBytes))
        return '!';
    return bytes->front();
}

// "A  HR" of mattrib for one file.
inline std::string AttributesOn(const Volume& v, const std::string& path, const fs::path& scratch)
{
    const ProgramResult r = RunTool("mattrib", {"-i", ImageName(v), path}, scratch);
    const std::size_t name = r.out.find("::");
    return name == std::string::npos ? "<" + r.err + ">" : r.out.substr(0, name);
}

// fsck.fat -n on a copy of the volume's bytes; its output when it finds a fault.
inline std::optional<std::string> FsckProblem(const Volume& v, const fs::path& scratch)
{
    const fs::path copy = scratch / "fsck-volume.img";
    {
        std::ifstream in(v.image, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(v.offset));
        std::string bytes(v.size, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
    }
    const ProgramResult r = RunTool("fsck.fat", {"-n", copy.string()}, scratch);
    fs::remove(copy);
    if (r.status == 0)
        return std::nullopt;
    return "fsck.fat status " + std::to_string(r.status) + ":\n" + r.out + r.err;
}

inline std::string Checksum(const fs::path& file) { return std::to_string(std::hash<std::string>{}(ReadFile(file))); }

inline std::optional<std::string> MissingImageTool()
{
    for (const char* tool : {"mkfs.fat", "fsck.fat", "mcopy", "mdir", "mattrib", "mtype", "mmd", "mren", "mdel"}) {
        if (!FindTool(tool))
            return std::string(tool);
    }
    return std::nullopt;
}

// Skips the test, from SetUp or its body, when a tool the images need is missing.
#define QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS()                                                                \
    if (const std::optional<std::string> missingTool = ::quillmere::testing::MissingImageTool())            \
    GTEST_SKIP() << missingTool.value() << " is not installed (scripts/setup.sh installs it)"

// A temporary drive with a scratch folder for making images in; skipped
// without the image tools. A fixture built on it returns from its own SetUp
// when IsSkipped().
class ImageScratchDrive : public TempDrive {
protected:
    void SetUp() override
    {
        TempDrive::SetUp();
        QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS();
        scratch_ = root_ / "scratch";
        fs::create_directories(scratch_);
    }

    fs::path scratch_;
};

} // namespace quillmere::testing
