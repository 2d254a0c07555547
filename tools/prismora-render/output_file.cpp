#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace prismora_render {

namespace {

// The kernel's own bound on a chain of links.
constexpr int MAX_LINK_HOPS = 40;

std::string Reason() { return std::strerror(errno); }

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows the chain of symbolic links at `path` to the path it ends at,
// which need not exist.
bool FollowLinks(const std::string& path, std::string& resolved, std::string& error) {
  resolved = path;
  for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
    struct stat st {};
    if (::lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
    const ssize_t n = ::readlink(resolved.c_str(), link.data(), link.size());
    if (n < 0) {
      error = "cannot follow the link " + resolved + ": " + Reason();
      return false;
    }
    link.resize(static_cast<std::size_t>(n));
    resolved = (link.empty() || link[0] == '/') ? link : Folder(resolved) + "/" + link;
  }
  error = "too many symbolic links";
  return false;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const std::string& target, std::string& error) {
  Discard();
  target_ = target;
  if (target.empty()) {
    error = "the output path is empty";
    return false;
  }
  if (!FollowLinks(target, final_, error)) {
    error = "cannot write " + target + ": " + error;
    return false;
  }
  struct stat st {};
  const bool exists = ::stat(final_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    error = "cannot write " + target + ": it is a folder";
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    stream_ = std::fopen(final_.c_str(), "wb");
    if (stream_ == nullptr) {
      error = "cannot open " + target + " for writing: " + Reason();
      return false;
    }
    return true;
  }
  std::string name = final_ + ".partial-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = "cannot create a file beside " + target + ": " + Reason();
    return false;
  }
  temporary_ = name;
  // A replaced file keeps its permissions; a new one gets the usual ones.
  ::fchmod(fd, exists ? static_cast<mode_t>(st.st_mode & 07777) : NewFileMode());
  stream_ = ::fdopen(fd, "wb");
  if (stream_ == nullptr) {
    error = "cannot write " + target + ": " + Reason();
    ::close(fd);
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Commit(std::string& error) {
  if (stream_ == nullptr) {
    error = "cannot write " + target_ + ": not open";
    return false;
  }
  const bool written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
  const int saved = errno;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!written || !closed) {
    errno = !written ? saved : errno;
    error = "cannot write " + target_ + ": " + Reason();
    Discard();
    return false;
  }
  if (!temporary_.empty()) {
    if (std::rename(temporary_.c_str(), final_.c_str()) != 0) {
      error = "cannot write " + target_ + ": " + Reason();
      Discard();
      return false;
    }
    temporary_.clear();
  }
  return true;
}

void OutputFile::Discard() {
  if (stream_ != nullptr) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace prismora_render
