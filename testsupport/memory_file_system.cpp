#include "testsupport/memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "store/folder_idx.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium {
namespace {

constexpr size_t kNoFault = static_cast<size_t>(-1);

// Components between "\" or "/" bytes that stand on their own; empty ones are dropped.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size();) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = ++i;
    } else {
      i += IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1;
      i = std::min(i, path.size());
    }
  }
  return parts;
}

class MemoryFile : public SequentialFile {
 public:
  MemoryFile(std::shared_ptr<const std::string> data, size_t fail_after, std::string fail_message,
             size_t max_read, int64_t read_ahead)
      : data_(std::move(data)),
        fail_after_(fail_after),
        fail_message_(std::move(fail_message)),
        max_read_(max_read),
        read_ahead_(read_ahead) {}

  int64_t ReadAhead(int64_t size) override {
    return read_ahead_ >= 0 ? read_ahead_ : static_cast<int64_t>(data_->size());
  }

  bool Read(char* dst, size_t capacity, size_t* got, std::string* err) override {
    *got = 0;
    if (pos_ >= fail_after_) {
      *err = fail_message_;
      return false;
    }
    size_t n = std::min(capacity, data_->size() - pos_);
    if (max_read_ > 0) n = std::min(n, max_read_);
    if (fail_after_ != kNoFault) n = std::min(n, fail_after_ - pos_);
    if (n > 0) std::memcpy(dst, data_->data() + pos_, n);
    pos_ += n;
    *got = n;
    return true;
  }

 private:
  std::shared_ptr<const std::string> data_;  // shared: the file may be replaced while open
  size_t pos_ = 0;
  size_t fail_after_;
  std::string fail_message_;
  size_t max_read_;
  int64_t read_ahead_;
};

}  // namespace

struct MemoryFileSystem::Node {
  std::string name;
  bool is_dir = true;
  bool hidden = false;
  std::shared_ptr<const std::string> content;
  bool fail_open = false;
  size_t fail_read_after = kNoFault;
  std::string fail_message;
  std::vector<std::unique_ptr<Node>> children;  // in the order they were made
};

MemoryFileSystem::MemoryFileSystem() : root_(std::make_unique<Node>()) {}
MemoryFileSystem::~MemoryFileSystem() = default;

// The look-up key of a path: its components upper-cased and joined by single backslashes.
std::string MemoryFileSystem::Key(std::string_view path) {
  std::string key = UpperCase(path);
  size_t out = 0;
  bool separator = false;  // one is pending
  for (size_t i = 0; i < key.size();) {
    const char c = key[i];
    if (c == '\\' || c == '/') {
      separator = out > 0;
      ++i;
      continue;
    }
    if (separator) key[out++] = '\\';
    separator = false;
    const size_t n = IsLeadByte(static_cast<unsigned char>(c)) ? 2 : 1;
    for (size_t k = 0; k < n && i < key.size(); ++k) key[out++] = key[i++];
  }
  key.resize(out);
  return key;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(std::string_view path) const {
  const std::string key = Key(path);
  if (key.empty()) return root_.get();
  const auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : it->second;
}

MemoryFileSystem::Node* MemoryFileSystem::MakeDirs(std::string_view path, bool hidden_leaf) {
  const auto parts = SplitPath(path);
  // The key of the first i + 1 parts is the first ends[i] bytes of the full key. The deepest
  // existing leading part is where the making starts.
  const std::string full = Key(path);
  std::vector<size_t> ends(parts.size());
  for (size_t i = 0, pos = 0; i < parts.size(); ++i) {
    pos += parts[i].size();
    ends[i] = pos++;
  }
  size_t have = parts.size();
  Node* node = root_.get();
  while (have > 0) {
    const auto it = nodes_.find(full.substr(0, ends[have - 1]));
    if (it != nodes_.end()) {
      node = it->second;
      break;
    }
    --have;
  }
  for (size_t i = have; i < parts.size(); ++i) {
    auto made = std::make_unique<Node>();
    made->name = std::string(parts[i]);
    Node* child = made.get();
    node->children.push_back(std::move(made));
    nodes_[full.substr(0, ends[i])] = child;
    node = child;
  }
  if (!parts.empty()) node->hidden = hidden_leaf;
  return node;
}

MemoryFileSystem::Node* MemoryFileSystem::MakeFile(std::string_view path) {
  Node* node = MakeDirs(path, false);
  if (node->is_dir) {
    node->is_dir = false;
    node->content = std::make_shared<const std::string>();
  }
  return node;
}

void MemoryFileSystem::AddFile(std::string_view path, std::string content) {
  MakeFile(path)->content = std::make_shared<const std::string>(std::move(content));
}

void MemoryFileSystem::AddDir(std::string_view path, bool hidden) { MakeDirs(path, hidden); }

void MemoryFileSystem::FailOpen(std::string_view path, std::string message) {
  Node* node = MakeFile(path);
  node->fail_open = true;
  node->fail_message = std::move(message);
}

void MemoryFileSystem::FailReadAfter(std::string_view path, size_t bytes, std::string message) {
  Node* node = MakeFile(path);
  node->fail_read_after = bytes;
  node->fail_message = std::move(message);
}

int MemoryFileSystem::OpenCount(std::string_view path) const {
  const auto it = open_count_.find(UpperCase(path));
  return it == open_count_.end() ? 0 : it->second;
}

bool MemoryFileSystem::FileExists(std::string_view path) {
  const Node* node = Find(path);
  return node != nullptr && !node->is_dir;
}

bool MemoryFileSystem::DirectoryExists(std::string_view path) {
  const Node* node = Find(path);
  return node != nullptr && node->is_dir;
}

void MemoryFileSystem::ListFolder(std::string_view dir, FolderListing* listing) {
  *listing = FolderListing{};
  const Node* node = Find(dir);
  if (node == nullptr || !node->is_dir) return;
  for (const auto& c : node->children) {
    if (c->is_dir && !c->hidden) {
      listing->subdirectories.push_back(c->name);
      listing->is_link.push_back(false);
    }
    if (!c->is_dir && UpperCase(c->name) == UpperCase(kIndexName)) {
      listing->has_index = true;
      listing->index_size = static_cast<int64_t>(c->content->size());
    }
  }
}

std::unique_ptr<SequentialFile> MemoryFileSystem::OpenSequential(std::string_view path,
                                                                 std::string* err) {
  const Node* node = Find(path);
  if (node == nullptr || node->is_dir) {
    *err = "The system cannot find the file specified.";
    return nullptr;
  }
  if (node->fail_open) {
    *err = node->fail_message;
    return nullptr;
  }
  open_log_.emplace_back(path);
  ++open_count_[UpperCase(path)];
  return std::make_unique<MemoryFile>(node->content, node->fail_read_after, node->fail_message,
                                      max_read_, read_ahead_);
}

}  // namespace zeldrium
