#include "about/Registry.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quillmere {

namespace {

constexpr Registry::Key kToolKey = 1;

bool SameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

bool GetKeyValue(Registry& registry, RegistryRoot root, std::string_view keyName, std::string_view valueName,
                 std::string& value)
{
    value.clear();
    const std::optional<Registry::Key> key = registry.Open(root, keyName);
    if (!key)
        return false;
    std::array<char, kKeyValueBufferSize> buffer{};
    const std::optional<std::size_t> size = registry.Query(*key, valueName, buffer);
    registry.Close(*key);
    if (!size || *size > buffer.size())
        return false;
    std::size_t length = *size;
    // A string's data ends in a zero byte, which is no part of the text; a
    // value that fills the buffer without one keeps its last byte.
    if (length > 0 && buffer[length - 1] == '\0')
        --length;
    value.assign(buffer.data(), length);
    return true;
}

ToolRegistry::ToolRegistry(std::string searchPath) : searchPath_(std::move(searchPath)) {}

std::optional<Registry::Key> ToolRegistry::Open(RegistryRoot root, std::string_view keyName)
{
    if (root == RegistryRoot::LocalMachine && SameName(keyName, kSysInfoPathKey))
        return kToolKey;
    return std::nullopt;
}

std::optional<std::size_t> ToolRegistry::Query(Key key, std::string_view valueName, std::span<char> buffer)
{
    if (key != kToolKey || !SameName(valueName, kSysInfoPathValue))
        return std::nullopt;
    const std::string tool = FindTool();
    // Stored as a string is: the text and its zero byte.
    if (tool.empty() || tool.size() + 1 > buffer.size())
        return std::nullopt;
    std::memcpy(buffer.data(), tool.c_str(), tool.size() + 1);
    return tool.size() + 1;
}

void ToolRegistry::Close(Key) {}

std::string ToolRegistry::FindTool() const
{
    for (const std::string_view tool : kSystemInfoTools) {
        std::size_t start = 0;
        while (start <= searchPath_.size()) {
            const std::size_t end = std::min(searchPath_.find(':', start), searchPath_.size());
            const std::filesystem::path folder = searchPath_.substr(start, end - start);
            start = end + 1;
            // A relative folder (an empty entry is the current one) would make
            // the tool depend on where the program was started from.
            if (!folder.is_absolute())
                continue;
            const std::filesystem::path candidate = folder / tool;
            std::error_code error;
            if (std::filesystem::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0)
                return candidate.string();
        }
    }
    return {};
}

} // namespace quillmere
