// The token buckets, one per client.
#include "dashboard/rate_limiter.h"

#include <algorithm>
#include <cmath>

namespace dashboard {

std::optional<int> RateLimiter::Admit(const std::string& client, Clock::time_point now) {
    if (perMinute_ <= 0.0) return std::nullopt;
    std::scoped_lock lock(mutex_);
    if (buckets_.size() > ForgetAbove)
        std::erase_if(buckets_, [&](const auto& entry) { return now - entry.second.filled >= std::chrono::minutes(1); });
    auto [it, added] = buckets_.try_emplace(client, Bucket{perMinute_, now});
    Bucket& bucket = it->second;
    const double seconds = std::chrono::duration<double>(now - bucket.filled).count();
    bucket.tokens = std::min(perMinute_, bucket.tokens + seconds * perMinute_ / 60.0);
    bucket.filled = now;
    if (bucket.tokens >= 1.0) {
        bucket.tokens -= 1.0;
        return std::nullopt;
    }
    return std::max(1, static_cast<int>(std::ceil((1.0 - bucket.tokens) * 60.0 / perMinute_)));
}

}  // namespace dashboard
