#include "routines/download_book.h"

namespace lv::routines {

BookDownloadReport download_book(std::string_view book_address, lv::library::Library& library,
                                 const BookDownloadOptions& options) {
  UpdateOptions update;
  update.scheduler = options.scheduler;
  update.jobs = options.jobs;
  update.retry = options.retry;
  update.stop = options.stop;
  if (options.progress) {
    update.progress = [&options](const UpdateProgress& p) {
      options.progress({p.chapters, p.stored, p.fetched, p.failed, p.bytes, p.elapsed});
    };
  }
  UpdateReport run = update_books({std::string(book_address)}, library, update);
  BookDownloadReport report;
  static_cast<BookUpdate&>(report) = std::move(run.books.front());
  report.stopped = run.stopped;
  report.site_gave_up = run.site_gave_up;
  report.seconds = run.seconds;
  return report;
}

}  // namespace lv::routines
