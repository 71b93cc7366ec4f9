#ifndef ZELDRIUM_TESTSUPPORT_MEMORY_FILE_SYSTEM_H_
#define ZELDRIUM_TESTSUPPORT_MEMORY_FILE_SYSTEM_H_

// A file system held in memory, for tests and for tools that want to search a made-up store.
// It behaves like the host's: "\" separates components (a "\" that is the second byte of a
// double-byte character does not), names are compared ignoring ASCII case, and directories are
// listed in the order they were made. Faults can be planted: a file that cannot be opened, or
// one whose reading fails after some bytes.

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/file_system.h"

namespace zeldrium {

class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();
  ~MemoryFileSystem() override;

  // Both make the missing parent directories. Adding a file again replaces its content.
  // REQUIRES: a file's path does not name a directory that holds entries.
  void AddFile(std::string_view path, std::string content);
  void AddDir(std::string_view path, bool hidden = false);

  // The two faults make path a file (empty) if it is not one yet.
  // Opening path fails with message from now on.
  void FailOpen(std::string_view path, std::string message);
  // Reading path fails with message once bytes of it have been handed out.
  void FailReadAfter(std::string_view path, size_t bytes, std::string message);
  // Reads hand out at most this many bytes at a time (default: all that is asked for).
  void SetMaxRead(size_t bytes) { max_read_ = bytes; }
  // What every file says it asks the system to read ahead (default: its size).
  void SetReadAhead(int64_t bytes) { read_ahead_ = bytes; }

  // How often path was opened successfully.
  int OpenCount(std::string_view path) const;
  // Every successful open, in order, with the path as it was asked for.
  const std::vector<std::string>& OpenLog() const { return open_log_; }
  void ClearOpenLog() { open_log_.clear(); }

  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  void ListFolder(std::string_view dir, FolderListing* listing) override;
  std::unique_ptr<SequentialFile> OpenSequential(std::string_view path, std::string* err) override;

 private:
  struct Node;

  static std::string Key(std::string_view path);
  Node* Find(std::string_view path) const;
  Node* MakeDirs(std::string_view path, bool hidden_leaf);
  Node* MakeFile(std::string_view path);

  std::unique_ptr<Node> root_;
  std::unordered_map<std::string, Node*> nodes_;  // by Key()
  size_t max_read_ = 0;
  int64_t read_ahead_ = -1;
  std::vector<std::string> open_log_;
  std::map<std::string, int> open_count_;  // by upper-cased path
};

}  // namespace zeldrium

#endif  // ZELDRIUM_TESTSUPPORT_MEMORY_FILE_SYSTEM_H_
