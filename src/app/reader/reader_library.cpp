#include "app/reader/reader_library.h"

#include <ctime>

namespace lv::app {

ReaderLibrary::ReaderLibrary(std::string library_path, std::string book)
    : path_(std::move(library_path)), book_(std::move(book)) {}

// An unreadable library holds nothing for the reader; the windows that
// manage the library say why.
lv::library::Library* ReaderLibrary::reader() const {
  if (path_.empty()) return nullptr;
  try {
    if (!reading_) reading_ = lv::library::Library::open_for_reading(path_);
  } catch (const lv::library::LibraryError&) {
    return nullptr;
  }
  return reading_ ? &*reading_ : nullptr;
}

lv::library::Library* ReaderLibrary::writer() const {
  if (path_.empty()) return nullptr;
  try {
    if (!writing_) writing_.emplace(lv::library::Library::open(path_));
  } catch (const lv::library::LibraryError&) {
    return nullptr;
  }
  return &*writing_;
}

std::optional<lv::library::StoredBook> ReaderLibrary::stored_book() const {
  try {
    lv::library::Library* library = reader();
    return library ? library->book(book_, false) : std::nullopt;
  } catch (const lv::library::LibraryError&) {
    return std::nullopt;
  }
}

std::optional<lv::base::Text> ReaderLibrary::stored_text(const lv::base::Text& chapter_address) const {
  if (chapter_address.empty()) return std::nullopt;
  try {
    lv::library::Library* library = reader();
    return library ? library->chapter_text(book_, chapter_address) : std::nullopt;
  } catch (const lv::library::LibraryError&) {
    return std::nullopt;
  }
}

std::optional<lv::library::ReadingPosition> ReaderLibrary::position() const {
  try {
    lv::library::Library* library = reader();
    return library ? library->reading_position(book_) : std::nullopt;
  } catch (const lv::library::LibraryError&) {
    return std::nullopt;
  }
}

void ReaderLibrary::save_position(const lv::base::Text& chapter_address, int text_offset) const {
  if (chapter_address.empty()) return;
  try {
    // The reader never adds a book to the library.
    if (!book_known_) {
      lv::library::Library* library = reader();
      book_known_ = library != nullptr && library->book_details(book_).has_value();
      if (!book_known_) return;
    }
    if (lv::library::Library* write = writer()) {
      write->save_reading_position(book_, {chapter_address, text_offset, static_cast<std::int64_t>(std::time(nullptr))});
    }
  } catch (const lv::library::LibraryError&) {
    // A position that cannot be saved is not worth a message while reading.
    book_known_ = false;  // the book may have left the library
  }
}

}  // namespace lv::app
