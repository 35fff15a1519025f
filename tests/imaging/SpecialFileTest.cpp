// Names that are not regular picture files: a named pipe, devices, a socket, a
// folder, and files too large or not pictures at all. Each is refused at once
// with a message saying what it is; none is waited on or read whole. Every
// load runs in a child process with an alarm, so that one that blocks fails
// the test instead of hanging it.
#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "support/PictureFixtures.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// Loads path in a child process that an alarm ends after 10 s and that may use
// at most memoryLimit bytes of address space (0: no limit; AddressSanitizer
// reserves far more address space than that, so it is left unlimited there).
// Returns the FileError's message, "loaded", "out of memory" or "hung".
std::string LoadInChild(const fs::path& path, rlim_t memoryLimit = 0)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        ::alarm(10);
        if (memoryLimit && !kAddressSanitizer) {
            const rlimit limit{memoryLimit, memoryLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        std::string result;
        try {
            LoadPictureFile(path);
            result = "loaded";
        } catch (const FileError& e) {
            result = e.what();
        } catch (const std::bad_alloc&) {
            result = "out of memory";
        }
        const ssize_t written = ::write(pipeFds[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return "hung";
    return out;
}

class SpecialFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("special-file-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A file of size bytes that starts with head and holds nothing else (sparse).
    fs::path Sparse(const char* name, const testing::Bytes& head, std::uintmax_t size)
    {
        const fs::path p = dir_ / name;
        testing::WriteBytes(p, head);
        fs::resize_file(p, size);
        return p;
    }

    fs::path dir_;
};

TEST_F(SpecialFile, IsRefusedAtOnceWithWhatItIs)
{
    const fs::path fifo = dir_ / "pipe.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    fs::create_symlink(fifo, dir_ / "link-to-pipe.bmp");
    fs::create_directory(dir_ / "folder.bmp");

    const fs::path socketPath = dir_ / "socket.bmp";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);

    struct Case {
        fs::path path;
        const char* reason;
    };
    const Case cases[] = {
        {fifo, "is a named pipe (FIFO), not a picture file"},
        {dir_ / "link-to-pipe.bmp", "is a named pipe (FIFO), not a picture file"},
        {"/dev/zero", "is a character device, not a picture file"},
        {"/dev/null", "is a character device, not a picture file"},
        {dir_ / "folder.bmp", "is a folder, not a picture file"},
        {socketPath, "is a socket, not a picture file"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadInChild(c.path), c.path.string() + ": " + c.reason);
    ::close(sock);
}

TEST_F(SpecialFile, AFifoWithAWriterIsNotReadEither)
{
    const fs::path fifo = dir_ / "pipe.gif";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    // A writer that keeps the pipe open with the start of a picture in it.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0) << std::strerror(errno);
    ASSERT_EQ(::write(writer, "GIF89a", 6), 6);
    EXPECT_EQ(LoadInChild(fifo), fifo.string() + ": is a named pipe (FIFO), not a picture file");
    ::close(writer);
}

TEST_F(SpecialFile, LargeFilesAreJudgedBeforeTheyAreRead)
{
    // Sparse files cost no disk. The child may use 512 MB: reading either file
    // whole would run out of memory there.
    const std::uintmax_t big = std::uintmax_t{1536} << 20;
    const std::uintmax_t tooBig = static_cast<std::uintmax_t>(kMaxPictureFileBytes) + 1;
    struct Case {
        fs::path path;
        std::string reason;
    };
    const Case cases[] = {
        {Sparse("zeros.bmp", {0, 0, 0, 0}, big), "not a BMP, GIF or JPEG picture"},
        {Sparse("text.jpg", {'h', 'e', 'l', 'l', 'o'}, big), "not a BMP, GIF or JPEG picture"},
        {Sparse("huge.bmp", {'B', 'M'}, tooBig),
         "the file is " + std::to_string(tooBig) + " bytes, more than any picture needs (at most " +
             std::to_string(kMaxPictureFileBytes) + ")"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadInChild(c.path, rlim_t{512} << 20), c.path.string() + ": " + c.reason);
}

} // namespace
} // namespace quillmere
