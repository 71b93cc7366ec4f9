#ifndef ZELDRIUM_ENGINE_HIT_LIST_H_
#define ZELDRIUM_ENGINE_HIT_LIST_H_

// The hits of a search run as the run keeps them until someone asks for rows. A run over a
// large store can find hundreds of thousands of lines, so a hit costs one copy of its texts
// into large shared blocks and a small fixed record; the folder's texts are kept once per
// folder, and a THitRow is only made for whoever asks for one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zeldrium {

// One row of the result list.
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

class THitList {
 public:
  THitList() = default;
  THitList(const THitList&) = delete;
  THitList& operator=(const THitList&) = delete;

  // Forgets every hit and folder and gives their memory back.
  void Clear();

  // Keeps a folder's ID and display name for the hits that follow; returns its number for Add.
  uint32_t AddFolder(std::string_view folder_id, std::string display_name);
  // REQUIRES: folder was returned by AddFolder since the last Clear.
  void Add(uint32_t folder, int32_t date, std::string_view subject, std::string_view from,
           std::string_view to, std::string_view message_key);

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  // Newest first, comparing the dates as UnixToText shows them (as unsigned 32-bit values);
  // hits of the same second keep the order they were added in. Until then, and again after
  // the next Add, rows come in the order added.
  void SortNewestFirst();

  // Fills *row with row i, reusing the storage of its strings.
  // REQUIRES: i < size().
  void GetRow(size_t i, THitRow* row) const;
  // Every row, in the order of GetRow.
  std::vector<THitRow> MakeRows() const;

 private:
  struct Hit {
    const char* text;  // subject, from, to and message key, one after the other
    size_t subject_size;
    size_t from_size;
    size_t to_size;
    size_t key_size;
    uint32_t folder;
    int32_t date;
  };
  struct Folder {
    std::string id;
    std::string name;
  };
  struct SortKey {
    uint32_t inverted_date;  // ascending order of this is newest first
    size_t index;            // then the order added
  };

  // Hits live in fixed-size chunks, so the list grows without ever copying what it holds or
  // keeping a doubled capacity in reserve.
  static constexpr size_t kHitsPerChunk = 4096;
  static constexpr size_t kTextBlockSize = size_t{64} << 10;

  char* TextRoom(size_t size);
  const Hit& HitAt(size_t index) const {
    return chunks_[index / kHitsPerChunk][index % kHitsPerChunk];
  }

  std::vector<std::unique_ptr<Hit[]>> chunks_;
  size_t count_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* room_ = nullptr;  // the free end of the last block
  size_t room_size_ = 0;
  std::vector<Folder> folders_;
  std::vector<SortKey> order_;  // empty: the order added
};

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_HIT_LIST_H_
