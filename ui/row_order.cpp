#include "ui/row_order.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "text/code_page_win.h"

namespace ui {
namespace {

constexpr DWORD kKeyFlags = LCMAP_SORTKEY | NORM_IGNORECASE;

// Appends the sort key of text to *out, terminating zero included.
void AppendSortKey(std::wstring_view text, std::string* out) {
  // The system refuses a source of length 0; the empty text has a key all the same.
  const wchar_t* source = text.empty() ? L"" : text.data();
  const int length = text.empty() ? -1 : static_cast<int>(text.size());
  BYTE buffer[512];
  int n = LCMapStringW(LOCALE_USER_DEFAULT, kKeyFlags, source, length,
                       reinterpret_cast<LPWSTR>(buffer), sizeof(buffer));
  if (n > 0) {
    out->append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
    return;
  }
  n = LCMapStringW(LOCALE_USER_DEFAULT, kKeyFlags, source, length, nullptr, 0);
  if (n <= 0) {
    out->push_back('\0');  // sorts first, and still consistently
    return;
  }
  const size_t start = out->size();
  out->resize(start + static_cast<size_t>(n));
  n = LCMapStringW(LOCALE_USER_DEFAULT, kKeyFlags, source, length,
                   reinterpret_cast<LPWSTR>(out->data() + start), n);
  out->resize(start + static_cast<size_t>(std::max(n, 1)));
}

// The hits' texts, each distinct text once: (*distinct_of)[i] is the number of hit i's text,
// (*first)[d] a hit that shows text d. Texts are told apart by their bytes, through a table of
// text numbers addressed by a hash of the text; the hits are visited in the order they were
// added, which is the order of their records in memory.
void Distinct(size_t n, const CellText& text, std::vector<uint32_t>* distinct_of,
              std::vector<uint32_t>* first) {
  size_t size = 16;
  while (size < 2 * n) size *= 2;
  std::vector<uint32_t> table(size, 0);  // text number + 1; 0 = free
  std::vector<uint32_t> hash_of;         // by text number: a text is compared only on a match
  distinct_of->resize(n);
  first->clear();
  std::string scratch, other_scratch;
  for (uint32_t i = 0; i < n; ++i) {
    const std::string_view t = text(i, &scratch);
    uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : t) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    for (size_t slot = hash & (size - 1);; slot = (slot + 1) & (size - 1)) {
      const uint32_t known = table[slot];
      if (known == 0) {
        first->push_back(i);
        hash_of.push_back(hash);
        table[slot] = static_cast<uint32_t>(first->size());
        (*distinct_of)[i] = table[slot] - 1;
        break;
      }
      if (hash_of[known - 1] == hash && text((*first)[known - 1], &other_scratch) == t) {
        (*distinct_of)[i] = known - 1;
        break;
      }
    }
  }
}

// Sort keys kept in large blocks, so that a million of them cost no allocation each and no
// copy of them all as they grow.
class KeyStore {
 public:
  struct Key {
    const char* data;
    uint32_t size;
  };
  Key Add(std::string_view key) {
    if (key.size() > room_) {
      const size_t size = std::max(key.size(), kBlockSize);
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      at_ = blocks_.back().get();
      room_ = size;
    }
    std::memcpy(at_, key.data(), key.size());
    const Key made = {at_, static_cast<uint32_t>(key.size())};
    at_ += key.size();
    room_ -= key.size();
    return made;
  }

 private:
  static constexpr size_t kBlockSize = size_t{1} << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* at_ = nullptr;
  size_t room_ = 0;
};

// A stable counting sort of the positions by the rank of their hits (rank_of by hit number):
// the new order of hit numbers.
std::vector<uint32_t> ByRank(const zeldrium::THitList& hits, const std::vector<uint32_t>& rank_of,
                             uint32_t ranks, bool descending) {
  std::vector<uint32_t> start(static_cast<size_t>(ranks) + 1, 0);
  auto slot = [&](uint32_t rank) { return descending ? ranks - 1 - rank : rank; };
  for (uint32_t rank : rank_of) ++start[slot(rank) + 1];
  for (size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
  std::vector<uint32_t> order(rank_of.size());
  for (size_t p = 0; p < rank_of.size(); ++p) {
    const uint32_t hit = hits.IndexAt(p);
    order[start[slot(rank_of[hit])]++] = hit;
  }
  return order;
}

// The rank of each distinct text in the locale's order; texts whose keys are equal (the same
// letters in another case) share one. Returns the number of ranks.
uint32_t Ranks(const CellText& text, const std::vector<uint32_t>& first,
               std::vector<uint32_t>* rank) {
  const size_t d = first.size();
  // One key per distinct text; sorted by their first eight bytes as one number, and by the
  // whole key only where those are equal.
  KeyStore store;
  std::vector<KeyStore::Key> keys(d);
  struct Entry {
    uint64_t prefix;
    uint32_t distinct;
  };
  std::vector<Entry> entries(d);
  std::string scratch, key;
  std::wstring wide;
  for (size_t i = 0; i < d; ++i) {
    zeldrium::WideFrom932(text(first[i], &scratch), &wide);
    key.clear();
    AppendSortKey(wide, &key);
    keys[i] = store.Add(key);
    uint64_t prefix = 0;
    for (size_t b = 0; b < 8; ++b) {
      prefix = prefix << 8 | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0);
    }
    entries[i] = {prefix, static_cast<uint32_t>(i)};
  }
  auto compare = [&keys](const Entry& a, const Entry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    const KeyStore::Key& x = keys[a.distinct];
    const KeyStore::Key& y = keys[b.distinct];
    const int r = std::memcmp(x.data, y.data, std::min(x.size, y.size));
    if (r != 0) return r;
    return x.size == y.size ? 0 : (x.size < y.size ? -1 : 1);
  };
  std::sort(entries.begin(), entries.end(),
            [&compare](const Entry& a, const Entry& b) { return compare(a, b) < 0; });
  rank->resize(d);
  uint32_t ranks = 0;
  for (size_t i = 0; i < d; ++i) {
    if (i == 0 || compare(entries[i - 1], entries[i]) != 0) ++ranks;
    (*rank)[entries[i].distinct] = ranks - 1;
  }
  return ranks;
}

}  // namespace

std::string SortKeyIgnoreCase(std::wstring_view text) {
  std::string key;
  AppendSortKey(text, &key);
  return key;
}

std::vector<uint32_t> OrderByDate(const zeldrium::THitList& hits, bool descending) {
  // The date above and the position below: a plain sort of the numbers keeps equal dates in
  // the order they had.
  const size_t n = hits.size();
  std::vector<uint64_t> keys(n);
  for (size_t p = 0; p < n; ++p) {
    uint32_t date = static_cast<uint32_t>(hits.At(p).date);
    if (descending) date = ~date;
    keys[p] = uint64_t{date} << 32 | p;
  }
  std::sort(keys.begin(), keys.end());
  std::vector<uint32_t> order(n);
  for (size_t q = 0; q < n; ++q) order[q] = hits.IndexAt(static_cast<uint32_t>(keys[q]));
  return order;
}

std::vector<uint32_t> OrderByText(const zeldrium::THitList& hits, const CellText& text,
                                  bool descending) {
  std::vector<uint32_t> rank_of;
  uint32_t ranks = 0;
  {
    // The keys go as soon as the ranks are known.
    std::vector<uint32_t> first, rank;
    Distinct(hits.size(), text, &rank_of, &first);
    ranks = Ranks(text, first, &rank);
    for (uint32_t& r : rank_of) r = rank[r];
  }
  return ByRank(hits, rank_of, ranks, descending);
}

}  // namespace ui
