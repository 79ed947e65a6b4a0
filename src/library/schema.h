#pragma once
// The library file's schema and the steps that bring an older file up to it.
#include "library/sqlite.h"

namespace lv::library {

// The schema version this program writes (the file's PRAGMA user_version).
int schema_version();

// Connection settings and schema for a freshly opened file: refuses a file
// that is not a library or is of a newer schema, turns on WAL, foreign keys
// and the busy timeout, then runs the missing migration steps in one
// transaction. `path` is for messages only.
void prepare_library(sql::Database& db, const std::string& path);

}  // namespace lv::library
