#include "routines/site.h"

#include "base/convert.h"

namespace lv::routines {

lv::base::Text listing_page_address(std::string_view site_host, int page) {
  lv::base::Text address = "http://";
  address += site_host;
  address += "/sort2/";
  address += lv::base::to_text(page);
  address += ".html";
  return address;
}

}  // namespace lv::routines
