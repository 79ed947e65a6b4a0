#include "export/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <system_error>

#include "export/book_export.h"
#include "export/export_target.h"

namespace lv::exporting {
namespace {

namespace fs = std::filesystem;

std::string cause(int error) { return std::error_code(error, std::generic_category()).message(); }

// Closes on every path.
class Descriptor final {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The file a write to `path` replaces: the path itself, or the regular file
// its symbolic links lead to, so that the links stay.
std::string file_to_replace(const std::string& path) {
  const TargetProblem problem = target_problem(path);
  if (problem != TargetProblem::none) throw ExportError(target_problem_text(problem, path));
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::error_code error;
  const fs::path target = fs::canonical(path, error);
  if (error) throw ExportError("cannot follow the link " + path + ": " + error.message());
  return target.string();
}

bool is_part_of(const std::string& name, const std::string& target_name) {
  constexpr std::string_view kEnd = ".part";
  constexpr std::size_t kDigits = 8;
  if (name.size() != target_name.size() + 1 + kDigits + kEnd.size() || !name.starts_with(target_name) ||
      name[target_name.size()] != '.' || !name.ends_with(kEnd)) {
    return false;
  }
  for (std::size_t i = target_name.size() + 1; i < target_name.size() + 1 + kDigits; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// Removes a part file when no writer holds it: the writer locks its file right
// after making it, and a file that young is left alone in case its writer is
// between the two.
void remove_if_stale(const fs::path& part) {
  Descriptor fd(::open(part.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  if (std::time(nullptr) - st.st_mtime < kStalePartSeconds) return;
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;  // written now, or no locks here: kept
  struct stat named {};
  if (::lstat(part.c_str(), &named) == 0 && named.st_dev == st.st_dev && named.st_ino == st.st_ino) {
    ::unlink(part.c_str());
  }
}

void remove_stale_parts(const std::string& target) {
  const fs::path path(target);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string name = path.filename().string();
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (is_part_of(it->path().filename().string(), name)) remove_if_stale(it->path());
  }
}

// A name beside the target that no other writer uses: O_EXCL creates the file
// only when it does not exist yet, so two exports to one target never share it.
int create_beside(const std::string& target, std::string& temp) {
  std::random_device random;
  int error = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
    temp = target + suffix + ".part";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd >= 0) {
      ::flock(fd, LOCK_EX | LOCK_NB);  // where locks are not kept, the file's age protects it
      return fd;
    }
    error = errno;
    if (error != EEXIST) break;
  }
  throw ExportError("cannot create " + temp + ": " + cause(error));
}

// 0 when every byte reached the disk, else the errno.
int write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

void replace_file(const std::string& path, std::string_view bytes) {
  const std::string target = file_to_replace(path);
  remove_stale_parts(target);
  std::string temp;
  Descriptor file(create_beside(target, temp));
  const int error = write_all(file.get(), bytes);
  if (error != 0) {
    ::unlink(temp.c_str());
    throw ExportError("cannot write " + temp + ": " + cause(error));
  }
  // Renamed before the descriptor, and its lock, go: no later export finds
  // this part unlocked while it still has its name.
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int renamed = errno;
    ::unlink(temp.c_str());
    throw ExportError("cannot replace " + target + ": " + cause(renamed));
  }
  file.close();
}

}  // namespace lv::exporting
