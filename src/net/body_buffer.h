#pragma once
// A response body as it arrives. When its length is announced the room is
// taken once; otherwise the bytes go into blocks of their own, so that a body
// of unknown length is never copied as it grows. Taking the body out copies
// the blocks into one value and gives each block back as soon as it is
// copied: at no time is much more than one body's worth held.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lv::net::detail {

class BodyBuffer final {
 public:
  BodyBuffer() = default;
  ~BodyBuffer();
  BodyBuffer(BodyBuffer&& other) noexcept;
  BodyBuffer& operator=(BodyBuffer&& other) noexcept;
  BodyBuffer(const BodyBuffer&) = delete;
  BodyBuffer& operator=(const BodyBuffer&) = delete;

  // Room for a body of `size` bytes, when the response announced it. Only
  // before the first byte.
  void expect(std::size_t size);
  void append(std::string_view bytes);
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // The body as one value; the buffer is empty afterwards.
  std::string take_string();
  std::vector<std::uint8_t> take_bytes();

 private:
  struct Block {
    char* data = nullptr;
    std::size_t used = 0;
  };
  template <typename Out>
  Out take();
  void release_blocks() noexcept;

  std::string whole_;          // the body, when its length was announced
  std::vector<Block> blocks_;  // the body, when it was not
  std::size_t size_ = 0;
};

}  // namespace lv::net::detail
