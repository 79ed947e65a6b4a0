#pragma once
// What a download or an update of one book says on standard error: the book
// page that did not come, a list that came out empty, every chapter still missing.
#include "routines/update_books.h"

namespace lv::cli {

void say_what_is_missing(const lv::routines::BookUpdate& book);

}  // namespace lv::cli
