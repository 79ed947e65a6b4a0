#pragma once
// What the reader keeps in the library for one book: the chapter list and
// the stored texts to show without the network, and where the reader was.
// Connections are opened on first use and kept (the window thread's own); a
// library that cannot be read or written costs the reader nothing but this help.
#include <optional>
#include <string>

#include "base/text.h"
#include "library/library.h"

namespace lv::app {

class ReaderLibrary final {
 public:
  // An empty path: no library.
  ReaderLibrary(std::string library_path, std::string book);

  const std::string& book() const { return book_; }
  const std::string& path() const { return path_; }
  // The book's chapter list (without texts), when the library holds it.
  std::optional<lv::library::StoredBook> stored_book() const;
  // The chapter's text, when the library holds it.
  std::optional<lv::base::Text> stored_text(const lv::base::Text& chapter_address) const;
  std::optional<lv::library::ReadingPosition> position() const;
  // Saved only for a book the library holds.
  void save_position(const lv::base::Text& chapter_address, int text_offset) const;

 private:
  lv::library::Library* reader() const;
  lv::library::Library* writer() const;

  std::string path_;
  std::string book_;
  mutable std::optional<lv::library::Library> reading_;
  mutable std::optional<lv::library::Library> writing_;
  mutable bool book_known_ = false;  // once found, the book is not looked for again
};

}  // namespace lv::app
