#ifndef ZELDRIUM_ENGINE_HIT_LIST_H_
#define ZELDRIUM_ENGINE_HIT_LIST_H_

// The hits of a search run, kept from the run to whoever shows or prints them. A run over a
// large store can find a million lines, and in the host's 32-bit process every byte per hit
// counts: a hit is one record in large shared blocks (its date, its folder's number, the lengths
// of its texts and the texts themselves, one after the other) and one pointer to it. The
// folders' texts are kept once per folder, and a THitRow with its display texts is only made for
// whoever asks for one.
//
// Running out of memory is an answer, not an exception: Add and AddFolder say false and leave the
// list as it was, so a run can end with what it has found, and sorting it needs no more.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zeldrium {

// One row of the result list, with the texts the window and the command line show.
struct THitRow {
  std::string Subject;  // "(無題)" for a line without one
  std::string From;
  std::string Date;    // UnixToText of DateValue: fixed width, so text order is time order
  std::string Folder;  // the folder's display name
  std::string MailID;  // folder ID + "?" + message key, for BKA_SetCurrentMail
  // Kept for the command line's JSON output; the window shows neither. To is empty unless the
  // run was asked to keep it.
  int32_t DateValue = 0;
  std::string To;
};

// A hit as the list keeps it; the views point into the list and stay valid until it is cleared.
struct THitView {
  int32_t date = 0;
  uint32_t folder = 0;
  std::string_view subject;  // as the index line has it: empty when the mail has none
  std::string_view from;
  std::string_view to;
  std::string_view message_key;
};

// "(無題)" (untitled), code page 932: what a hit without a subject shows.
inline constexpr std::string_view kNoSubject = "(\x96\xb3\x91\xe8)";

class THitList {
 public:
  THitList() = default;
  ~THitList() = default;
  THitList(const THitList&) = delete;
  THitList& operator=(const THitList&) = delete;
  // The moved-from list is empty.
  THitList(THitList&& other) noexcept;
  THitList& operator=(THitList&& other) noexcept;

  // Forgets every hit and folder and gives their memory back.
  void Clear();

  // Keeps a folder's ID and display name for the hits that follow; *folder is its number for
  // Add. False when there was no memory for it.
  bool AddFolder(std::string_view folder_id, std::string_view display_name, uint32_t* folder);
  // False when there was no memory for the hit; the list is then unchanged.
  // REQUIRES: folder was given by AddFolder since the last Clear.
  bool Add(uint32_t folder, int32_t date, std::string_view subject, std::string_view from,
           std::string_view to, std::string_view message_key);

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  // Hits are numbered in the order added; positions follow the list's order, which is the
  // order added until SortNewestFirst or SetOrder, and again after the next Add.
  // REQUIRES: position < size(), index < size(), folder < FolderCount().
  uint32_t IndexAt(size_t position) const {
    return order_.empty() ? static_cast<uint32_t>(position) : order_[position];
  }
  THitView Hit(uint32_t index) const;
  THitView At(size_t position) const { return Hit(IndexAt(position)); }
  size_t FolderCount() const { return folders_.size(); }
  const std::string& FolderId(uint32_t folder) const { return folders_[folder].id; }
  const std::string& FolderName(uint32_t folder) const { return folders_[folder].name; }

  // Newest first, comparing the dates as UnixToText shows them (as unsigned 32-bit values);
  // hits of the same second keep the order they were added in. Needs no memory beyond what
  // Add set aside, so it cannot fail; without memory it is only slower.
  void SortNewestFirst();
  // order[p] is the number of the hit to show at position p.
  // REQUIRES: order is a permutation of 0 .. size() - 1.
  void SetOrder(std::vector<uint32_t> order) { order_ = std::move(order); }

  // Fills *row with the hit at position i, reusing the storage of its strings.
  // REQUIRES: i < size().
  void GetRow(size_t i, THitRow* row) const;
  // Every row, in the order of GetRow.
  std::vector<THitRow> MakeRows() const;

  // Asked before each allocation of the list with its size in bytes: false makes it fail as if
  // memory had run out. The host's process must keep memory of its own, and tests make memory
  // run out at chosen points. Empty: every allocation is tried. Not carried over by a move.
  using AllocationCheck = std::function<bool(size_t bytes)>;
  void SetAllocationCheck(AllocationCheck check) { check_ = std::move(check); }

 private:
  struct Folder {
    std::string id;
    std::string name;
  };

  // Hits live in fixed-size chunks of pointers, so the list grows without ever copying what it
  // holds or keeping a doubled capacity in reserve.
  static constexpr size_t kHitsPerChunk = 4096;
  static constexpr size_t kTextBlockSize = size_t{64} << 10;

  bool MayAllocate(size_t bytes) { return !check_ || check_(bytes); }
  std::unique_ptr<char[]> Allocate(size_t size);
  char* Room(size_t size);
  uint32_t Date(uint32_t index) const;  // as unsigned, the order of the date texts
  const char* Record(uint32_t index) const {
    return chunks_[index / kHitsPerChunk][index % kHitsPerChunk];
  }

  std::vector<std::unique_ptr<const char*[]>> chunks_;
  size_t count_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* room_ = nullptr;  // the free end of the block being filled
  size_t room_size_ = 0;
  std::vector<Folder> folders_;
  // Empty: the order added. Its capacity keeps up with the hits (see Add).
  std::vector<uint32_t> order_;
  AllocationCheck check_;
};

// A check that lets the next `allowed` allocations through and refuses every one after them:
// memory that runs out at a chosen point, for tests.
inline THitList::AllocationCheck AllowAllocations(size_t allowed) {
  auto left = std::make_shared<size_t>(allowed);
  return [left](size_t) {
    if (*left == 0) return false;
    --*left;
    return true;
  };
}

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_HIT_LIST_H_
