// The server's secret, in a file of its own that only the service's account may read: keys are kept
// in the database as a hash keyed with it, so a copy of the database alone gives no key away.
#pragma once

#include <filesystem>
#include <string>

namespace dashboard {

class ServerSecret {
public:
    // Reads the file, or makes it (owner read/write only) with a new random secret when it does not
    // exist. Throws std::runtime_error with the reason when it cannot be read or made, or holds no secret.
    static ServerSecret LoadOrCreate(const std::filesystem::path& file);

    // The hash under which a key is stored and looked up.
    std::string KeyHash(const std::string& key) const;
    // Whether the file can be read by others than its owner (the service warns at start).
    bool readableByOthers = false;

private:
    explicit ServerSecret(std::string secret) : secret_(std::move(secret)) {}
    std::string secret_;
};

// A new key: "zk_" and 32 random bytes as hexadecimal.
std::string NewApiKey();
// What `keys list` shows of a key.
std::string KeyPrefix(const std::string& key);

}  // namespace dashboard
