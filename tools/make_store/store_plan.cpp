#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "store_gen.h"

namespace zeldrium::make_store {
namespace {

constexpr uint32_t kMaxMailboxes = 8;
constexpr uint32_t kFoldersPerMailbox = 12;

struct Candidate {
  std::string path;
  FolderKind kind;
  int year = 0;
  std::string tag;
  unsigned ja = 600;
};

using Group = std::vector<Candidate>;

// Mailboxes start their groups at different places, so that even a small store holds every
// kind of folder once; the order inside a group keeps parents ahead of their children.
std::vector<Group> FeatureGroups(uint32_t mailbox) {
  std::vector<Group> groups = {
      {{"Work", FolderKind::kWork, 0, "", 700}, {"Work/2019", FolderKind::kWork, 2019, "", 700}},
      {{"家族", FolderKind::kFamily, 0, "", 980}},
      {},  // the mailbox directory's own index, in every other mailbox
      // "Archive" gets no index, which hides "Archive/2008" from the subfolder walk.
      {{"Archive/2008", FolderKind::kArchive, 2008, "", 600}},
      {{"Projects", FolderKind::kProject, 0, "", 500},
       {"Projects/Alpha", FolderKind::kProject, 0, "", 500},
       {"Projects/Alpha/Specs", FolderKind::kProject, 0, "", 400}},
      {{"Mailing lists", FolderKind::kList, 0, "", 500},
       {"Mailing lists/dev-announce", FolderKind::kList, 0, "dev-announce", 100},
       {"Mailing lists/自治会だより", FolderKind::kList, 0, "jichikai", 1000}},
      {{"送信済み", FolderKind::kSent, 0, "", 700}},
      // ソ and 表 end in 0x5C in code page 932, which is what the host sees under a Japanese
      // locale: the folder IDs then hold backslash bytes that are not separators.
      {{"ソフト開発", FolderKind::kSoftware, 0, "", 500},
       {"ソフト開発/表計算", FolderKind::kSoftware, 0, "", 700}},
      {{"取引先", FolderKind::kClients, 0, "", 850},
       {"取引先/株式会社サンプル", FolderKind::kClients, 0, "", 900},
       {"取引先/ＡＢＣ商事", FolderKind::kClients, 0, "", 900}},
      // Searched with the Inbox's subfolders, but never offered in the folder tree, which
      // leaves out "!" folders with everything below them.
      {{"!!!!Inbox/要返信", FolderKind::kInbox, 0, "", 600}},
  };
  if (mailbox % 2 == 0) groups[2].push_back({"", FolderKind::kRoot, 0, "", 500});
  std::rotate(groups.begin(), groups.begin() + (mailbox * 3) % groups.size(), groups.end());
  return groups;
}

// Yields the indexed folders of one mailbox in the order they are added; never runs dry.
class CandidateStream {
 public:
  explicit CandidateStream(uint32_t mailbox) {
    queue_ = {{"!!!!Inbox", FolderKind::kInbox, 0, "", 600},
              {"!!!Outbox", FolderKind::kOutbox, 0, "", 600},
              {"!Trash", FolderKind::kTrash, 0, "", 600}};
    for (Group& g : FeatureGroups(mailbox)) {
      for (Candidate& c : g) queue_.push_back(std::move(c));
    }
  }

  Candidate Next() {
    if (next_ < queue_.size()) return queue_[next_++];
    uint64_t k = tail_++;
    // One folder per year, then as many mailing lists as asked for.
    constexpr int kFirstYear = 2003, kLastYear = 2026;
    if (k < static_cast<uint64_t>(kLastYear - kFirstYear)) {
      int year = kFirstYear + static_cast<int>(k);
      if (year >= 2019) ++year;  // Work/2019 came with the feature groups
      return {"Work/" + std::to_string(year), FolderKind::kWork, year, "", 700};
    }
    char tag[32];
    std::snprintf(tag, sizeof(tag), "list-%04llu",
                  static_cast<unsigned long long>(k - (kLastYear - kFirstYear) + 1));
    return {std::string("Mailing lists/") + tag, FolderKind::kList, 0, tag, k % 2 ? 800u : 200u};
  }

 private:
  std::vector<Candidate> queue_;
  size_t next_ = 0;
  uint64_t tail_ = 0;
};

void AddFolder(StorePlan* plan, std::set<std::pair<int, std::string>>* known, int mailbox,
               const Candidate& c) {
  // Missing parents become directories without an index.
  for (size_t slash = c.path.find('/'); slash != std::string::npos;
       slash = c.path.find('/', slash + 1)) {
    std::string parent = c.path.substr(0, slash);
    if (known->insert({mailbox, parent}).second) {
      FolderPlan p;
      p.mailbox = mailbox;
      p.path = parent;
      p.indexed = false;
      plan->dirs.push_back(std::move(p));
    }
  }
  if (!known->insert({mailbox, c.path}).second) {
    for (FolderPlan& p : plan->dirs) {
      if (p.mailbox == mailbox && p.path == c.path) p.indexed = true;
    }
    return;
  }
  FolderPlan p;
  p.mailbox = mailbox;
  p.path = c.path;
  p.kind = c.kind;
  p.year = c.year;
  p.list_tag = c.tag;
  p.ja_permille = c.ja;
  plan->dirs.push_back(std::move(p));
}

// A few big folders and many small ones: weight 1/(rank+1), the first Inbox the biggest.
void SpreadLines(StorePlan* plan, uint64_t mails, Rng* rng) {
  std::vector<size_t> ranked;
  for (size_t i = 0; i < plan->dirs.size(); ++i) {
    const FolderPlan& p = plan->dirs[i];
    if (p.indexed && p.kind != FolderKind::kOutbox) ranked.push_back(i);
  }
  for (size_t i = ranked.size(); i > 1; --i) std::swap(ranked[i - 1], ranked[rng->Below(i)]);
  auto first_inbox = std::find(ranked.begin(), ranked.end(), size_t{0});
  if (first_inbox != ranked.end()) std::rotate(ranked.begin(), first_inbox, first_inbox + 1);

  if (ranked.empty()) return;
  constexpr uint64_t kScale = 1000000;
  uint64_t total_weight = 0;
  for (size_t r = 0; r < ranked.size(); ++r) total_weight += kScale / (r + 1);
  uint64_t given = 0;
  for (size_t r = 0; r < ranked.size(); ++r) {
    // mails <= 10^8 and weights <= 10^6: the product fits easily.
    uint64_t n = mails * (kScale / (r + 1)) / total_weight;
    plan->dirs[ranked[r]].lines = n;
    given += n;
  }
  for (size_t r = 0; given < mails; r = (r + 1) % ranked.size(), ++given) {
    ++plan->dirs[ranked[r]].lines;
  }
}

}  // namespace

uint64_t MixSeed(uint64_t seed, uint64_t stream) {
  Rng a(seed);
  Rng b(a.Next() ^ (stream * 0xD1B54A32D192ED03ull));
  return b.Next();
}

StorePlan PlanStore(const StoreOptions& options) {
  StorePlan plan;
  Rng rng(MixSeed(options.seed, 0));
  uint32_t mailboxes = std::clamp<uint32_t>(
      (options.folders + kFoldersPerMailbox - 1) / kFoldersPerMailbox, 1, kMaxMailboxes);
  std::set<std::string> names;
  while (names.size() < mailboxes) {
    char name[16];
    std::snprintf(name, sizeof(name), "%08X.mb", static_cast<unsigned>(rng.Next() >> 32));
    if (names.insert(name).second) plan.mailboxes.push_back(name);
  }

  std::vector<CandidateStream> streams;
  for (uint32_t m = 0; m < mailboxes; ++m) streams.emplace_back(m);
  std::set<std::pair<int, std::string>> known;
  for (uint32_t i = 0; i < options.folders; ++i) {
    int m = static_cast<int>(i % mailboxes);
    AddFolder(&plan, &known, m, streams[m].Next());
  }
  SpreadLines(&plan, options.mails, &rng);
  return plan;
}

}  // namespace zeldrium::make_store
