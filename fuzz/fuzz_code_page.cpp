// The code page conversions on arbitrary bytes, every direction held to the
// iconv walk they replace: the bytes read as GBK, as UTF-8, as UTF-16 units
// and as clipboard UTF-16LE (with its letter-and-mark composition).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/code_page.h"
#include "base/gbk_table.h"
#include "support/iconv_reference.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lv::base;
  using namespace lv::test;
  const std::string_view in(reinterpret_cast<const char*>(data), size);

  check(gbk_to_utf8(in) == ref_gbk_to_utf8(in), "gbk_to_utf8");
  check(gbk_to_utf16(in) == ref_gbk_to_utf16(in), "gbk_to_utf16");
  check(utf8_to_gbk(in) == ref_utf8_to_gbk(in), "utf8_to_gbk");
  check(utf8_to_gbk_in_place(std::string(in)) == ref_utf8_to_gbk(in), "utf8_to_gbk_in_place");

  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  check(utf16_to_gbk(units) == ref_utf16_to_gbk(units), "utf16_to_gbk");

  const auto compose = [](char16_t base, char16_t mark) { return GbkTable::get().compose(base, mark); };
  check(wide_to_gbk(Bytes(data, size)) == ref_utf16_to_gbk(ref_compose(ref_wide_units(in), compose)),
        "wide_to_gbk");
  return 0;
}
