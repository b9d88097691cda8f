// A map of key hashes to what the database said of them, each answer kept for a moment.
#include "dashboard/key_cache.h"

#include <utility>

namespace dashboard {

KeyCache::KeyCache(std::chrono::milliseconds lifetime, std::size_t capacity) : lifetime_(lifetime), capacity_(capacity) {}

std::optional<KeyRecord> KeyCache::Find(const std::string& keyHash, const LookUp& lookUp) {
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(keyHash);
        if (it != entries_.end() && it->second.until > now) return it->second.key;
    }
    std::optional<KeyRecord> key = lookUp(keyHash);
    std::lock_guard lock(mutex_);
    if (entries_.size() >= capacity_) {
        // Full (many keys, or a stranger trying made-up ones): the expired go, and all if none has.
        std::erase_if(entries_, [now](const auto& entry) { return entry.second.until <= now; });
        if (entries_.size() >= capacity_) entries_.clear();
    }
    entries_[keyHash] = {key, now + lifetime_};
    return key;
}

}  // namespace dashboard
