// A temporary drive root for the Logo Manager tests, with helpers that lay out
// and read back logo files by their host names.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/xattr.h>
#include <unistd.h>

namespace quillmere::testing {

namespace fs = std::filesystem;

// A standard 320 x 400 logo file is this long.
inline constexpr std::size_t kLogoBytes = 129078;

inline void WriteFile(const fs::path& path, std::size_t size, char fill)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(size, fill);
}

// A logo-sized file whose bytes all equal fill, so copies can be told apart.
inline void WriteLogo(const fs::path& path, char fill) { WriteFile(path, kLogoBytes, fill); }

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The fill byte of a file written by WriteLogo; '?' for a missing file, '!' for
// anything else (a truncated or mixed file).
inline char LogoFill(const fs::path& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return '?';
    const std::string bytes = ReadFile(path);
    if (bytes.size() != kLogoBytes || std::count(bytes.begin(), bytes.end(), bytes[0]) != std::ptrdiff_t(kLogoBytes))
        return '!';
    return bytes[0];
}

inline bool SetDosAttrib(const fs::path& path, const std::string& value)
{
    return ::setxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0;
}

inline std::string GetDosAttrib(const fs::path& path)
{
    char buffer[256];
    const ssize_t n = ::getxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer);
    return n < 0 ? std::string("<none>") : std::string(buffer, static_cast<std::size_t>(n));
}

class TempDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::path(::testing::TempDir()) /
                ("drive_" + std::to_string(::getpid()) + "_" + info->name());
        std::string name = root_.filename().string();
        std::replace(name.begin(), name.end(), '/', '_');
        root_ = root_.parent_path() / name;
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // Skips the test when the temporary folder keeps no user.* attributes.
    void RequireExtendedAttributes()
    {
        const fs::path probe = root_ / ".probe";
        WriteFile(probe, 1, 'x');
        const bool ok = SetDosAttrib(probe, "0x0");
        fs::remove(probe);
        if (!ok)
            GTEST_SKIP() << "the temporary folder " << root_ << " has no user.* extended attributes";
    }

    // Every file and folder under the root, as relative paths in name order.
    std::vector<std::string> Tree() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(root_))
            names.push_back(e.path().lexically_relative(root_).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root_;
};

} // namespace quillmere::testing
