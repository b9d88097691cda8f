// What one client may do in a minute (a key's uploads, an address's sign-in attempts): a bucket of
// `perMinute` tokens per client, refilled evenly over the minute.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace dashboard {

class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;
    explicit RateLimiter(double perMinute) : perMinute_(perMinute) {}  // 0: no limit

    // Empty when the client may go on (and one use is counted); otherwise the whole seconds to wait.
    std::optional<int> Admit(const std::string& client, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens;
        Clock::time_point filled;
    };
    double perMinute_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
    // Past this many clients, those whose bucket is full again are forgotten: a stranger changing
    // addresses cannot grow the table without bound.
    static constexpr std::size_t ForgetAbove = 10'000;
};

}  // namespace dashboard
