// Test doubles of what the system-information launcher reaches: a registry
// held in memory that counts the keys left open, and a process starter that
// only remembers what it was asked to start.
#pragma once

#include "about/Registry.h"
#include "about/SysInfo.h"

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quillmere::testing {

class FakeRegistry final : public Registry {
public:
    // The data of a value as stored, a string's zero byte included when wanted.
    void Set(RegistryRoot root, std::string_view key, std::string_view value, std::string data)
    {
        values[{root, std::string(key)}][std::string(value)] = std::move(data);
    }

    std::optional<Key> Open(RegistryRoot root, std::string_view keyName) override
    {
        const auto found = values.find({root, std::string(keyName)});
        if (found == values.end())
            return std::nullopt;
        keys.push_back(&found->second);
        ++openKeys;
        return keys.size() - 1;
    }
    std::optional<std::size_t> Query(Key key, std::string_view valueName, std::span<char> buffer) override
    {
        const auto& named = *keys.at(key);
        const auto found = named.find(std::string(valueName));
        if (found == named.end() || found->second.size() > buffer.size())
            return std::nullopt;
        std::memcpy(buffer.data(), found->second.data(), found->second.size());
        return found->second.size();
    }
    void Close(Key) override { --openKeys; }

    std::map<std::pair<RegistryRoot, std::string>, std::map<std::string, std::string>> values;
    std::vector<const std::map<std::string, std::string>*> keys;
    int openKeys = 0;
};

class FakeProcessStarter final : public ProcessStarter {
public:
    bool StartDetached(const std::string& program) override
    {
        started.push_back(program);
        return succeeds;
    }
    bool succeeds = true;
    std::vector<std::string> started; // every program asked for, started or not
};

} // namespace quillmere::testing
