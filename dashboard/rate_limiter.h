// Uploads a key may make: a bucket of `perMinute` uploads per key, refilled evenly over the minute.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace dashboard {

class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;
    explicit RateLimiter(double perMinute) : perMinute_(perMinute) {}  // 0: no limit

    // Empty when the key may go on (and one upload is counted); otherwise the whole seconds to wait.
    std::optional<int> Admit(int64_t keyId, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens;
        Clock::time_point filled;
    };
    double perMinute_;
    std::mutex mutex_;
    std::unordered_map<int64_t, Bucket> buckets_;
};

}  // namespace dashboard
