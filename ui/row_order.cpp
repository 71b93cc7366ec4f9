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

// A hash of text, four bytes at a time: every hit's text is hashed once per click.
uint32_t HashText(std::string_view text) {
  uint32_t hash = static_cast<uint32_t>(text.size()) * 0x9E3779B1u;
  size_t i = 0;
  for (; i + 4 <= text.size(); i += 4) {
    uint32_t word;
    std::memcpy(&word, text.data() + i, 4);
    hash = (hash ^ word) * 0x85EBCA77u;
    hash ^= hash >> 15;
  }
  for (; i < text.size(); ++i) hash = (hash ^ static_cast<unsigned char>(text[i])) * 0x01000193u;
  return hash ^ (hash >> 13);
}

// The hits' texts, each distinct text once: (*distinct_of)[i] is the number of hit i's text,
// (*first)[d] a hit that shows text d. Texts are told apart by their bytes, through a table
// addressed by a hash of the text, whose slots hold the hash beside the text's number: one
// look at memory per hit, and a text is compared only where the hashes agree. The hits are
// visited in the order they were added, which is the order of their records in memory.
void Distinct(size_t n, const CellText& text, std::vector<uint32_t>* distinct_of,
              std::vector<uint32_t>* first) {
  size_t size = 16;
  while (size < 2 * n) size *= 2;
  std::vector<uint64_t> table(size, 0);  // hash << 32 | text number + 1; 0 = free
  distinct_of->resize(n);
  first->clear();
  std::string scratch, other_scratch;
  for (uint32_t i = 0; i < n; ++i) {
    const std::string_view t = text(i, &scratch);
    const uint32_t hash = HashText(t);
    for (size_t slot = hash & (size - 1);; slot = (slot + 1) & (size - 1)) {
      const uint64_t known = table[slot];
      if (known == 0) {
        first->push_back(i);
        table[slot] = uint64_t{hash} << 32 | first->size();
        (*distinct_of)[i] = static_cast<uint32_t>(first->size() - 1);
        break;
      }
      const auto number = static_cast<uint32_t>(known) - 1;
      if (known >> 32 == hash && text((*first)[number], &other_scratch) == t) {
        (*distinct_of)[i] = number;
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

// A key's eight bytes from depth on as one number, the first byte highest; bytes past its end
// count as zeros.
uint64_t KeyBytesAt(const KeyStore::Key& key, size_t depth) {
  uint64_t bytes = 0;
  for (size_t b = depth; b < depth + 8; ++b) {
    bytes = bytes << 8 | (b < key.size ? static_cast<unsigned char>(key.data[b]) : 0);
  }
  return bytes;
}

// Keys compared as unsigned bytes, a shorter one first where it is the start of the other.
int CompareKeys(const KeyStore::Key& x, const KeyStore::Key& y) {
  const int r = std::memcmp(x.data, y.data, std::min(x.size, y.size));
  if (r != 0) return r;
  return x.size == y.size ? 0 : (x.size < y.size ? -1 : 1);
}

struct KeyEntry {
  uint64_t bytes;  // eight bytes of the key, at the depth being sorted
  uint32_t distinct;
};

// Sorts the entries by their keys, eight bytes at a time: by those bytes as numbers, then each
// run that shares them by the next eight. Most keys differ within a few such steps, so the keys
// themselves, scattered in memory, are seldom read; a comparison of whole keys would read two
// for every step of the sort. Runs wait on a list of their own, not on the stack: a key is as
// long as its text. The entries come with their first eight bytes; (*equal)[p] is set where
// the key at p equals the one before it.
void SortByKeys(std::vector<KeyEntry>* entries, const std::vector<KeyStore::Key>& keys,
                std::vector<bool>* equal) {
  struct Run {
    size_t begin, end, depth;
  };
  equal->assign(entries->size(), false);
  std::vector<Run> runs{{0, entries->size(), 0}};
  while (!runs.empty()) {
    const Run run = runs.back();
    runs.pop_back();
    KeyEntry* const begin = entries->data() + run.begin;
    KeyEntry* const end = entries->data() + run.end;
    if (run.depth > 0) {
      for (KeyEntry* e = begin; e != end; ++e) e->bytes = KeyBytesAt(keys[e->distinct], run.depth);
    }
    std::sort(begin, end, [](const KeyEntry& a, const KeyEntry& b) { return a.bytes < b.bytes; });
    for (KeyEntry* same = begin; same != end;) {
      KeyEntry* same_end = same + 1;
      while (same_end != end && same_end->bytes == same->bytes) ++same_end;
      if (same_end - same > 1) {
        // A zero byte is where a key ends (a sort key holds no other): the keys of such a run
        // are most likely equal, and are compared whole.
        bool ended = false;
        for (int b = 0; b < 8; ++b) ended |= ((same->bytes >> (8 * b)) & 0xFF) == 0;
        if (ended) {
          std::sort(same, same_end, [&keys](const KeyEntry& a, const KeyEntry& b) {
            return CompareKeys(keys[a.distinct], keys[b.distinct]) < 0;
          });
          for (KeyEntry* e = same + 1; e != same_end; ++e) {
            (*equal)[static_cast<size_t>(e - entries->data())] =
                CompareKeys(keys[e[-1].distinct], keys[e->distinct]) == 0;
          }
        } else {
          runs.push_back({static_cast<size_t>(same - entries->data()),
                          static_cast<size_t>(same_end - entries->data()), run.depth + 8});
        }
      }
      same = same_end;
    }
  }
}

// The rank of each distinct text in the locale's order; texts whose keys are equal (the same
// letters in another case) share one. Returns the number of ranks.
uint32_t Ranks(const CellText& text, const std::vector<uint32_t>& first,
               std::vector<uint32_t>* rank) {
  const size_t d = first.size();
  KeyStore store;
  std::vector<KeyStore::Key> keys(d);
  std::vector<KeyEntry> entries(d);
  std::string scratch, key;
  std::wstring wide;
  for (size_t i = 0; i < d; ++i) {
    zeldrium::WideFrom932(text(first[i], &scratch), &wide);
    key.clear();
    AppendSortKey(wide, &key);
    keys[i] = store.Add(key);
    entries[i] = {KeyBytesAt(keys[i], 0), static_cast<uint32_t>(i)};
  }
  std::vector<bool> equal;
  SortByKeys(&entries, keys, &equal);
  rank->resize(d);
  uint32_t ranks = 0;
  for (size_t i = 0; i < d; ++i) {
    if (!equal[i]) ++ranks;
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
