// Keys as the uploads check them, remembered for a moment: a key's uploads then cost no round trip to
// the database each, and a key revoked (or created) counts within that moment.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "dashboard/storage.h"

namespace dashboard {

inline constexpr std::chrono::milliseconds KeyCacheLifetime{1000};

class KeyCache {
public:
    using LookUp = std::function<std::optional<KeyRecord>(const std::string& keyHash)>;

    explicit KeyCache(std::chrono::milliseconds lifetime = KeyCacheLifetime, std::size_t capacity = 10'000);

    // The key of that hash as lookUp found it less than the lifetime ago, or as it finds it now (not
    // under the cache's lock). What lookUp throws goes to the caller, and nothing is remembered.
    std::optional<KeyRecord> Find(const std::string& keyHash, const LookUp& lookUp);

private:
    struct Entry {
        std::optional<KeyRecord> key;  // none: no such key
        std::chrono::steady_clock::time_point until;
    };

    const std::chrono::milliseconds lifetime_;
    const std::size_t capacity_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace dashboard
