#pragma once
// The library file's schema and the steps that bring an older file up to it.
#include "library/sqlite.h"

namespace lv::library {

// The schema version this program writes (the file's PRAGMA user_version).
int schema_version();

enum class Access { read, write };

// Connection settings and schema for a freshly opened file: refuses a file
// that is not a library or is of a newer schema, sets the busy timeout and
// foreign keys; to write, also turns on WAL and runs the missing migration
// steps in one transaction. Returns the file's schema version.
int prepare_library(sql::Database& db, Access access);

}  // namespace lv::library
