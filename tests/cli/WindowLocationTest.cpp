// Whether quillmere may run the window program it finds: never one that a user
// other than root and the one running it could have put there or changed.
#include "cli/WindowLocation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

// nobody: another user, for root to give files to.
constexpr uid_t kOtherUser = 65534;

// A made-up installed tree, <top>/libexec/quillmere/quillmere-windows, each
// folder 0755 and the program 0755, owned by whoever runs the test.
struct Tree {
    TempDir dir;
    fs::path top = dir.Path() / "top";
    fs::path libexec = top / "libexec";
    fs::path folder = libexec / "quillmere";
    fs::path program = folder / kWindowProgramName;
    Tree()
    {
        fs::create_directories(folder);
        std::ofstream(program) << "#!/bin/sh\n";
        for (const fs::path& p : {top, libexec, folder, program})
            ::chmod(p.c_str(), 0755);
    }
};

TEST(WindowLocation, OnlyAProgramNoOtherUserCouldHavePutThereMayRun)
{
    const uid_t me = ::geteuid();
    struct Case {
        const char* title;
        std::function<bool(const Tree&)> change; // false: cannot be made here
        std::string refused;                     // part of the reason; empty: may run
    };
    auto mode = [](const fs::path& p, mode_t m) { return ::chmod(p.c_str(), m) == 0; };
    // Only root can give a file away; others cannot make this case.
    auto give = [&](const fs::path& p) { return me == 0 && ::chown(p.c_str(), kOtherUser, kOtherUser) == 0; };
    const Case cases[] = {
        {"all ours, under the shared temporary folder", [](const Tree&) { return true; }, ""},
        // Sticky: others may add to it but not rename or remove what is ours.
        {"a sticky folder everyone writes", [&](const Tree& t) { return mode(t.libexec, 01777); }, ""},
        {"a folder its group writes", [&](const Tree& t) { return mode(t.libexec, 0775); },
         "libexec may be changed by other users (it is writable by its group)"},
        {"a folder everyone writes, not sticky", [&](const Tree& t) { return mode(t.top, 0777); },
         "top may be changed by other users (it is writable by everyone)"},
        {"the program its group writes", [&](const Tree& t) { return mode(t.program, 0775); },
         "quillmere-windows may be changed by other users (it is writable by its group)"},
        // Sticky means nothing on a file.
        {"the program sticky and writable by all", [&](const Tree& t) { return mode(t.program, 01777); },
         "quillmere-windows may be changed by other users (it is writable by everyone)"},
        {"a folder of another user", [&](const Tree& t) { return give(t.top); },
         "top belongs to another user (uid 65534)"},
        {"a sticky folder of another user", [&](const Tree& t) { return give(t.libexec) && mode(t.libexec, 01777); },
         "libexec belongs to another user (uid 65534)"},
        {"the program of another user", [&](const Tree& t) { return give(t.program); },
         "quillmere-windows belongs to another user (uid 65534)"},
        {"no program", [](const Tree& t) { return fs::remove(t.program); }, "quillmere-windows: No such file"},
        {"a folder in place of the program",
         [](const Tree& t) { return fs::remove(t.program) && fs::create_directory(t.program); },
         "quillmere-windows is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Tree tree;
        if (!c.change(tree)) {
            ASSERT_NE(me, 0u) << "root could not make the case";
            continue; // giving files away needs root
        }
        const std::string why = WhyNotSafeToRun(tree.program, me);
        if (c.refused.empty())
            EXPECT_EQ(why, "");
        else
            EXPECT_NE(why.find(c.refused), std::string::npos) << why;
    }
}

// Links are followed first, and the place they lead to is what is checked: a
// link in a safe tree to a program in an unsafe one is refused.
TEST(WindowLocation, TheFileALinkLeadsToIsChecked)
{
    Tree safe, unsafe;
    ASSERT_EQ(::chmod(unsafe.folder.c_str(), 0777), 0);
    fs::remove(safe.program);
    fs::create_symlink(unsafe.program, safe.program);
    const std::string why = WhyNotSafeToRun(safe.program, ::geteuid());
    EXPECT_EQ(why, fs::canonical(unsafe.folder).string() + " may be changed by other users (it is writable by everyone)");
}

// A copy of quillmere elsewhere looks beside its own bin folder (and the check
// above decides); the build's own program, its build's window program.
TEST(WindowLocation, WhereTheWindowProgramIsLookedFor)
{
    TempDir dir;
    fs::create_directories(dir.Path() / "copy");
    EXPECT_EQ(WindowProgramFor(dir.Path() / "copy"), dir.Path() / "libexec" / "quillmere" / kWindowProgramName);
    EXPECT_EQ(WindowProgramFor(fs::path(QUILLMERE_EXE).parent_path()),
              fs::path(QUILLMERE_EXE).parent_path() / "libexec" / "quillmere" / kWindowProgramName);
}

} // namespace
} // namespace quillmere
