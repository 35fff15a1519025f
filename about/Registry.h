// A registry of keys holding named values, read the way the Windows calls read
// it: open a key under a root, query a value into a buffer of a given size,
// close the key. The system-information launcher finds its tool there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmere {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

class Registry {
public:
    using Key = std::uint64_t;
    virtual ~Registry() = default;
    // The open key keyName under root; nothing when it is missing or cannot be opened.
    virtual std::optional<Key> Open(RegistryRoot root, std::string_view keyName) = 0;
    // Copies the data of valueName into buffer and gives its size in bytes (a
    // string's data may end in a zero byte); nothing when the value is missing
    // or larger than the buffer.
    virtual std::optional<std::size_t> Query(Key key, std::string_view valueName, std::span<char> buffer) = 0;
    virtual void Close(Key key) = 0;
};

// The buffer GetKeyValue reads a value into.
inline constexpr std::size_t kKeyValueBufferSize = 1024;

// Reads the value valueName of keyName under root into value, without the zero
// byte that ends a string's data; its bytes are taken as text whatever the
// value's kind. False, with value empty, when the key or the value cannot be
// read or the value does not fit kKeyValueBufferSize bytes.
bool GetKeyValue(Registry& registry, RegistryRoot root, std::string_view keyName, std::string_view valueName,
                 std::string& value);

// Where the system-information tool is registered.
inline constexpr std::string_view kSysInfoPathKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";
inline constexpr std::string_view kSysInfoPathValue = "PATH";
inline constexpr std::string_view kSysInfoFolderKey = R"(SOFTWARE\Microsoft\Shared Tools Location)";
inline constexpr std::string_view kSysInfoFolderValue = "MSINFO";

// Programs that show what a computer is made of, most wanted first.
inline constexpr std::array<std::string_view, 6> kSystemInfoTools{"hardinfo2", "hardinfo",  "kinfocenter",
                                                                 "cpu-x",     "i-nex",     "lshw-gtk"};

// The registry of a system that has none: it holds only the value "PATH" of
// kSysInfoPathKey under the local machine, the full path of the first of
// kSystemInfoTools found as an executable file in one of the absolute folders
// of searchPath (a list separated by ':', as $PATH). Key and value names are
// compared without regard to letter case, as Windows does.
class ToolRegistry final : public Registry {
public:
    explicit ToolRegistry(std::string searchPath);

    std::optional<Key> Open(RegistryRoot root, std::string_view keyName) override;
    std::optional<std::size_t> Query(Key key, std::string_view valueName, std::span<char> buffer) override;
    void Close(Key key) override;

    // The first tool found on the search path; empty when there is none.
    std::string FindTool() const;

private:
    std::string searchPath_;
};

} // namespace quillmere
