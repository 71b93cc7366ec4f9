#ifndef ZELDRIUM_TOOLS_MAKE_STORE_STORE_GEN_H_
#define ZELDRIUM_TOOLS_MAKE_STORE_STORE_GEN_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "lexicon.h"

namespace zeldrium::make_store {

// splitmix64: the same numbers everywhere, unlike the standard library's distributions.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // REQUIRES: n > 0. The modulo bias is irrelevant for test data.
  uint64_t Below(uint64_t n) { return Next() % n; }
  uint64_t Between(uint64_t lo, uint64_t hi) { return lo + Below(hi - lo + 1); }
  bool PerMille(unsigned p) { return Below(1000) < p; }
  template <typename T>
  const T& Pick(const std::vector<T>& v) {
    return v[Below(v.size())];
  }

 private:
  uint64_t state_;
};

// Derives independent streams (one per folder, one per mailbox owner) from the user's seed.
uint64_t MixSeed(uint64_t seed, uint64_t stream);

struct StoreOptions {
  uint64_t seed = 1;
  uint64_t mails = 5000;
  uint32_t folders = 30;
};

enum class FolderKind {
  kInbox,
  kOutbox,
  kTrash,
  kSent,
  kRoot,
  kWork,
  kFamily,
  kProject,
  kList,
  kSoftware,
  kClients,
  kArchive
};

struct FolderPlan {
  int mailbox = 0;
  std::string path;  // below the mailbox directory, '/'-separated UTF-8; empty for the mailbox
  bool indexed = true;
  FolderKind kind = FolderKind::kInbox;
  int year = 0;                // nonzero: all mail of the folder is from that year
  std::string list_tag;        // mailing list folders: the tag in their subjects
  unsigned ja_permille = 600;  // share of Japanese senders and subjects
  uint64_t lines = 0;
};

struct StorePlan {
  std::vector<std::string> mailboxes;  // directory names, "XXXXXXXX.mb"
  std::vector<FolderPlan> dirs;        // parents before children; unindexed ones too
};

struct StoreSummary {
  uint32_t mailboxes = 0;
  uint32_t folders = 0;  // indexed ones
  uint64_t lines = 0;
  uint64_t bytes = 0;
};

// REQUIRES: options.folders >= 1.
StorePlan PlanStore(const StoreOptions& options);

// The mailbox's Folders.txt (code page 932, CR LF): its own display name and those of its
// well-known folders, as "RELATIVE=NAME" lines with backslashes between path components.
inline constexpr char kDisplayNamesFile[] = "Folders.txt";
bool DisplayNamesFile(const StorePlan& plan, int mailbox, std::string* out, std::string* err);

// REQUIRES: `out` exists. Creates the directories, index files and display names of `plan`
// below it.
bool WriteStore(const Lexicon& lex, const StorePlan& plan, uint64_t seed,
                const std::filesystem::path& out, StoreSummary* summary, std::string* err);

}  // namespace zeldrium::make_store

#endif  // ZELDRIUM_TOOLS_MAKE_STORE_STORE_GEN_H_
