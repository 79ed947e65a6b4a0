#pragma once
// The three kinds of HTML page, GBK with CR LF line ends. `host` is the
// host (with port) the client asked for; every absolute link names it.
#include <string>
#include <string_view>

#include "sample_site/book_model.h"

namespace lv::site {

std::string listing_page(const SiteOptions& options, int page, std::string_view host);
std::string book_page(const BookModel& book, std::string_view host);
std::string chapter_page(const BookModel& book, int chapter, std::string_view host);
std::string not_found_page();

// The listing index of the book pinned above every listing page's rows.
int pinned_book_index(const SiteOptions& options);

// "18-05-20": the listing's date of a book updated `days_back` days before
// the site's date.
std::string short_date(int days_back);

}  // namespace lv::site
