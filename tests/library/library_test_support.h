#pragma once
// A throw-away folder per test, and a look at a library file from outside.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "library/sqlite.h"

namespace lv::library::test {

class TempFolder final {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lorevane-library-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// What a separate connection says of the file: "ok" when SQLite finds it
// sound, its foreign keys hold, and every string was stored as a BLOB.
inline std::string check_file(const std::string& path) {
  sql::Database db = sql::Database::open(path);
  sql::Statement integrity(db, "PRAGMA integrity_check");
  integrity.step();
  if (const std::string verdict = integrity.bytes(0); verdict != "ok") return verdict;
  if (sql::Statement keys(db, "PRAGMA foreign_key_check"); keys.step()) return "broken foreign key";
  sql::Statement kinds(db,
                       "SELECT (SELECT count(*) FROM chapter_text WHERE typeof(coalesce(text, missing)) <> 'blob')"
                       " + (SELECT count(*) FROM chapter WHERE typeof(title) <> 'blob' OR typeof(address) <> 'blob')"
                       " + (SELECT count(*) FROM book WHERE typeof(name) <> 'blob' OR typeof(intro) <> 'blob')");
  kinds.step();
  return kinds.integer(0) == 0 ? "ok" : "a string not stored as a BLOB";
}

}  // namespace lv::library::test
