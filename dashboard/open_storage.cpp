// The database named on the command line opened behind the storage interface.
#include "dashboard/postgres_storage.h"
#include "dashboard/sqlite_storage.h"
#include "dashboard/storage.h"

namespace dashboard {

std::unique_ptr<Storage> OpenStorage(const std::string& database) {
    if (database.starts_with("postgresql://") || database.starts_with("postgres://")) {
        // A database that does not answer is reported at once, not after the system's long time-out.
        std::string url = database;
        if (url.find("connect_timeout=") == std::string::npos)
            url += (url.find('?') == std::string::npos ? "?" : "&") + std::string("connect_timeout=3");
        return OpenPostgresStorage(url);
    }
    return OpenSqliteStorage(database.starts_with("sqlite:") ? database.substr(7) : database);
}

}  // namespace dashboard
