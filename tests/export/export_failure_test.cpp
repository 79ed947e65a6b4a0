// A failed export says why and leaves the target as it was, with nothing
// half-written beside it; a book that cannot be exported truly is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "export/book_export.h"
#include "export_test_support.h"

namespace {

using lv::exporting::ExportError;
using lv::exporting::TextEncoding;
using lv::exporting::write_epub;
using lv::exporting::write_txt;

std::size_t files_in(const std::filesystem::path& dir) {
  std::size_t n = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

TEST(ExportFailure, TargetsThatCannotBeWrittenAndBooksThatCannotBeExported) {
  const auto dir = lv::test::fresh_dir();
  std::filesystem::create_directories(dir / "a folder");
  std::ofstream(dir / "a folder" / "kept.txt") << "kept";
  const auto good = lv::test::small_book();
  auto no_chapters = good;
  no_chapters.chapters.clear();
  auto without_texts = good;  // as a library read without texts gives it
  for (auto& chapter : without_texts.chapters) chapter.text.clear();

  using Export = std::function<void(const std::string&)>;
  const struct {
    const char* what;
    Export run;
    std::filesystem::path target;
  } cases[] = {
      {"epub into a missing folder", [&](const std::string& p) { write_epub(good, p); }, dir / "none" / "b.epub"},
      {"txt into a missing folder", [&](const std::string& p) { write_txt(good, p, TextEncoding::utf8); }, dir / "none" / "b.txt"},
      {"epub over a folder", [&](const std::string& p) { write_epub(good, p); }, dir / "a folder"},
      {"txt over a folder", [&](const std::string& p) { write_txt(good, p, TextEncoding::gbk); }, dir / "a folder"},
      {"epub of no chapters", [&](const std::string& p) { write_epub(no_chapters, p); }, dir / "c.epub"},
      {"txt of no chapters", [&](const std::string& p) { write_txt(no_chapters, p, TextEncoding::gbk); }, dir / "c.txt"},
      {"epub without texts", [&](const std::string& p) { write_epub(without_texts, p); }, dir / "c.epub"},
      {"txt without texts", [&](const std::string& p) { write_txt(without_texts, p, TextEncoding::utf8); }, dir / "c.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(c.run(c.target.string()), ExportError);
    EXPECT_EQ(files_in(dir), 1u);
    EXPECT_EQ(lv::test::read_file(dir / "a folder" / "kept.txt"), "kept");
  }
}

TEST(ExportFailure, AnExistingFileIsReplacedWhole) {
  const auto dir = lv::test::fresh_dir();
  const auto target = dir / "book.txt";
  std::ofstream(target) << std::string(100000, 'x');
  write_txt(lv::test::small_book(), target.string(), TextEncoding::utf8);
  EXPECT_TRUE(lv::test::read_file(target).starts_with("风雪&归人\r\n"));
  EXPECT_EQ(files_in(dir), 1u);
}

}  // namespace
