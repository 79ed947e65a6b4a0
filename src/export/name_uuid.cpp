#include "export/name_uuid.h"

#include <uuid/uuid.h>

#include <stdexcept>

namespace lv::exporting {

std::string url_uuid(std::string_view url) {
  const uuid_t* url_namespace = uuid_get_template("url");
  if (url_namespace == nullptr) throw std::logic_error("libuuid knows no URL namespace");
  uuid_t id;
  uuid_generate_sha1(id, *url_namespace, url.data(), url.size());
  char text[UUID_STR_LEN];
  uuid_unparse_lower(id, text);
  return text;
}

}  // namespace lv::exporting
