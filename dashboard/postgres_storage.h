// The storage in PostgreSQL, for a server several service instances share.
#pragma once

#include <memory>
#include <string>

#include "dashboard/storage.h"

namespace dashboard {

// url: "postgresql://user@host:port/database?..." or any connection string libpq takes.
std::unique_ptr<Storage> OpenPostgresStorage(const std::string& url);

}  // namespace dashboard
