#include "net/body_buffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace lv::net::detail {

namespace {

// Blocks are mapped straight from the system, so that each one is given back
// the moment it is freed; pages of a block not yet written cost nothing.
constexpr std::size_t kBlockBytes = 4u << 20;

char* map_block() {
  void* p = ::mmap(nullptr, kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return static_cast<char*>(p);
}

void unmap_block(char* block) noexcept { ::munmap(block, kBlockBytes); }

}  // namespace

BodyBuffer::~BodyBuffer() { release_blocks(); }

BodyBuffer::BodyBuffer(BodyBuffer&& other) noexcept
    : whole_(std::move(other.whole_)), blocks_(std::move(other.blocks_)), size_(std::exchange(other.size_, 0)) {
  other.blocks_.clear();
}

BodyBuffer& BodyBuffer::operator=(BodyBuffer&& other) noexcept {
  if (this != &other) {
    release_blocks();
    whole_ = std::move(other.whole_);
    blocks_ = std::move(other.blocks_);
    other.blocks_.clear();
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

void BodyBuffer::release_blocks() noexcept {
  for (Block& b : blocks_) unmap_block(b.data);
  blocks_.clear();
}

void BodyBuffer::expect(std::size_t size) {
  if (size_ == 0 && blocks_.empty()) whole_.reserve(size);
}

void BodyBuffer::append(std::string_view bytes) {
  size_ += bytes.size();
  // The announced room takes what fits; anything beyond it (a length that
  // was not announced, or a server sending more) goes into blocks.
  if (blocks_.empty() && whole_.size() + bytes.size() <= whole_.capacity()) {
    whole_.append(bytes);
    return;
  }
  while (!bytes.empty()) {
    if (blocks_.empty() || blocks_.back().used == kBlockBytes) blocks_.push_back(Block{map_block(), 0});
    Block& last = blocks_.back();
    const std::size_t n = std::min(bytes.size(), kBlockBytes - last.used);
    std::memcpy(last.data + last.used, bytes.data(), n);
    last.used += n;
    bytes.remove_prefix(n);
  }
}

template <typename Out>
Out BodyBuffer::take() {
  Out out;
  out.reserve(size_);
  out.insert(out.end(), whole_.begin(), whole_.end());
  std::string().swap(whole_);
  for (Block& b : blocks_) {
    out.insert(out.end(), b.data, b.data + b.used);
    unmap_block(b.data);
    b.data = nullptr;
  }
  blocks_.clear();
  size_ = 0;
  return out;
}

std::string BodyBuffer::take_string() {
  // A body that came whole into its announced room is handed over as it is.
  if (blocks_.empty()) {
    size_ = 0;
    return std::exchange(whole_, std::string());
  }
  return take<std::string>();
}

std::vector<std::uint8_t> BodyBuffer::take_bytes() { return take<std::vector<std::uint8_t>>(); }

}  // namespace lv::net::detail
