// The secret file made, read and used for key hashes.
#include "dashboard/server_secret.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "dashboard/crypto.h"

namespace dashboard {

ServerSecret ServerSecret::LoadOrCreate(const std::filesystem::path& file) {
    const std::string made = RandomHex(32);
    // O_EXCL: two services started together agree on one secret.
    const int out = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (out >= 0) {
        const bool written = ::write(out, made.data(), made.size()) == static_cast<ssize_t>(made.size()) && ::fsync(out) == 0;
        ::close(out);
        if (!written) throw std::runtime_error("cannot write the server secret " + file.string() + ": " + std::strerror(errno));
    } else if (errno != EEXIST) {
        throw std::runtime_error("cannot make the server secret " + file.string() + ": " + std::strerror(errno));
    }
    std::ifstream in(file);
    std::string secret;
    if (!(in >> secret) || secret.size() < 32)
        throw std::runtime_error("the server secret " + file.string() +
                                 " cannot be read or holds no secret (32 characters or more)");
    ServerSecret loaded(secret);
    struct stat status {};
    loaded.readableByOthers = ::stat(file.c_str(), &status) == 0 && (status.st_mode & (S_IRWXG | S_IRWXO)) != 0;
    return loaded;
}

std::string ServerSecret::KeyHash(const std::string& key) const { return HmacSha256Hex(secret_, key); }

std::string NewApiKey() { return "zk_" + RandomHex(32); }

std::string KeyPrefix(const std::string& key) { return key.substr(0, 9) + "..."; }

}  // namespace dashboard
