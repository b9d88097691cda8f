// The storage in one SQLite file: write-ahead log, every commit flushed to disk.
#pragma once

#include <filesystem>
#include <memory>

#include "dashboard/storage.h"

namespace dashboard {

std::unique_ptr<Storage> OpenSqliteStorage(const std::filesystem::path& file);

}  // namespace dashboard
