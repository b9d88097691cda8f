// The match history file's rows as the tests read them: with SQLite's own calls, not with the
// history's reader, each column as text ("" for NULL).
#pragma once

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zando_test {

using HistoryFileRow = std::map<std::string, std::string>;  // column -> value as text

// Every row of the file's matches table, oldest first.
inline std::vector<HistoryFileRow> ReadHistoryFile(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    std::vector<HistoryFileRow> rows;
    EXPECT_EQ(sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* select = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT * FROM matches ORDER BY id", -1, &select, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    while (select && sqlite3_step(select) == SQLITE_ROW) {
        HistoryFileRow row;
        for (int c = 0; c < sqlite3_column_count(select); ++c) {
            const unsigned char* text = sqlite3_column_text(select, c);
            row[sqlite3_column_name(select, c)] = text ? reinterpret_cast<const char*>(text) : "";
        }
        rows.push_back(row);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return rows;
}

}  // namespace zando_test
