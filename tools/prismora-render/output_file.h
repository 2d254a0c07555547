// Where the render tool writes its image without ever destroying what it did
// not make: the image goes into a new file beside the target, which is
// renamed over the target only once it is complete. A failed run removes
// that new file and nothing else. A target that is a symbolic link is
// followed, so the file it points to is replaced and the link stays; a
// target that exists but is no regular file (a device, a pipe) is written
// in place, as a shell redirection would, and never removed; a folder is
// refused.
#pragma once
#include <cstdio>
#include <string>

namespace prismora_render {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Opens the file to write into; false with a message naming the target.
  bool Open(const std::string& target, std::string& error);
  std::FILE* stream() const { return stream_; }
  // Closes the stream and moves the new file into place; false with a
  // message when the data or the rename did not reach the disk, in which
  // case the new file is gone and the target is as it was.
  bool Commit(std::string& error);

 private:
  void Discard();

  std::string target_;     // what the user named
  std::string final_;      // the target with its symbolic links followed
  std::string temporary_;  // our own file beside final_; empty when writing in place
  std::FILE* stream_ = nullptr;
};

}  // namespace prismora_render
