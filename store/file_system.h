#ifndef ZELDRIUM_STORE_FILE_SYSTEM_H_
#define ZELDRIUM_STORE_FILE_SYSTEM_H_

// The only way the search reaches the disk, so that a run can be tested over an in-memory store
// (testsupport/memory_file_system.h) as well as over real directories.
//
// Paths are code page 932 texts with backslashes, as the host gives them. What the native
// partners do with them:
//
// Windows (file_system_win.cpp):
// - Paths are converted from code page 932 (WideFrom932, text/code_page_win.h) and used with
//   the wide API. Paths of MAX_PATH characters or more are given the "\\?\" prefix, so that a
//   deep folder tree is still reachable.
// - An index file is opened with CreateFileW(GENERIC_READ, FILE_SHARE_READ): others may read it
//   at the same time, nobody may write it while we read. It is read with plain reads; once a
//   read has gone at the pace of a disk, files are opened for overlapped reads, which signal the
//   file's handle (one read at a time, no event made per file), and read ahead.
// - Listing uses FindFirstFileExW with the basic information and large fetches, in the order the
//   file system gives: one listing names a folder's subdirectories and its index file, with the
//   index's size. Hidden and system directories are left out. Links (junctions, directory
//   symbolic links, mount points) are listed and marked as links; other reparse points, such as
//   a cloud service's placeholders, are ordinary folders (subfolder_rule.h).
// - A directory's identity is its volume's serial number and its file index
//   (GetFileInformationByHandle on the directory, links followed).
// - Error texts come from FormatMessageW, converted to code page 932.
//
// Elsewhere (file_system_posix.cpp), to search a store copied from Windows or written by Wine:
// - Both "\" and "/" separate path components (neither can be the second byte of a double-byte
//   character except "\", which is therefore split only where it stands on its own).
// - Names on disk are taken to be UTF-8, as Wine writes Windows names under a UTF-8 locale: each
//   component is converted from code page 932 to UTF-8 with iconv, and listed names back from
//   UTF-8. A listed name that is not valid UTF-8, or has no code page 932 form, is passed on
//   byte for byte; a path component is then also looked for under its own bytes.
// - The host's file system ignores letter case, so when a component does not exist under its
//   exact name, a directory entry equal to it ignoring ASCII case is used (the byte-wise
//   smallest one when several qualify). This covers "Folder.idx", mailbox and folder names.
// - Names starting with "." count as hidden and are not listed. A symbolic link to a directory
//   is listed and marked as a link (one stat to learn where it leads); one that leads nowhere,
//   or to a file, is not listed. A listing gives no sizes; a file's size is asked of the file
//   once it is open.
// - A directory's identity is its device and inode number (stat, links followed).
// - There are no share modes: a file is opened read-only, and a writer is not kept out.
// - Error texts are strerror's.
// - Not thread-safe (the converters are cached); the search runs on one thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zeldrium {

// A file opened for one sequential pass. Closed when destroyed.
class SequentialFile {
 public:
  virtual ~SequentialFile() = default;
  // Reads up to capacity bytes into dst. *got == 0 with true means the end of the file.
  virtual bool Read(char* dst, size_t capacity, size_t* got, std::string* err) = 0;
  // A hint that the file is read soon: the system may start reading it now, while other files
  // are searched. size: the file's size as a listing gave it, or -1. Returns how many bytes the
  // system was asked to read, or would have been (0 when none). A failure here is never
  // reported; Read reports its own.
  virtual int64_t ReadAhead(int64_t size) { return 0; }
  // True once the reads so far are known to have reached the end of the file, so that no read
  // is needed to learn it: the next Read would give 0 bytes.
  virtual bool AtEnd() const { return false; }
};

// The calls a file system has made to the system, by kind: what a search costs per folder
// beyond reading. Under Wine most of them are calls to Wine's server.
struct FileSystemCalls {
  int64_t listings = 0;  // directories listed (their entries come in batches the system sizes)
  int64_t existence_tests = 0;  // a path's attributes asked
  int64_t opens = 0;
  int64_t sizes = 0;  // an open file's size asked
  int64_t reads = 0;
  int64_t read_hints = 0;  // the system asked to read ahead, besides reads
  int64_t waits = 0;       // for a read started earlier
  int64_t closes = 0;      // of files and of listings
  int64_t identities = 0;  // a directory's identity asked (only in stores that hold links)
};

// What tells one directory from every other, whatever path reaches it.
struct DirectoryIdentity {
  uint64_t volume = 0;
  uint64_t file = 0;
  friend bool operator<(const DirectoryIdentity& a, const DirectoryIdentity& b) {
    return a.volume != b.volume ? a.volume < b.volume : a.file < b.file;
  }
};

// What the search needs to know of a folder's directory, from one listing.
struct FolderListing {
  std::vector<std::string> subdirectories;  // as ListSubdirectories gives them
  std::vector<bool> is_link;                // beside each subdirectory: reached through a link
  bool has_index = false;                   // a file named Folder.idx, in any letter case
  int64_t index_size = -1;                  // its size when the listing gives it, else -1
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // True for an existing file; a directory of that name is not a file. Right after an open of
  // the same path that failed for want of a file, answered without asking the system again.
  virtual bool FileExists(std::string_view path) = 0;
  // True for an existing directory, found as FileExists finds files.
  virtual bool DirectoryExists(std::string_view path) = 0;

  // What dir (with or without a trailing separator) holds: the names of its subdirectories, in
  // the order the file system gives them, without "." and "..", hidden or system entries, links
  // to directories among them (marked); and whether its index file is there. *listing is
  // overwritten; a directory that cannot be listed holds nothing.
  virtual void ListFolder(std::string_view dir, FolderListing* listing) = 0;
  std::vector<std::string> ListSubdirectories(std::string_view dir) {
    FolderListing listing;
    ListFolder(dir, &listing);
    return std::move(listing.subdirectories);
  }

  // The identity of the directory dir names, links followed; false when it names none (a link
  // whose target is missing) or the file system cannot tell.
  virtual bool IdentifyDirectory(std::string_view dir, DirectoryIdentity* id) { return false; }

  // Opens a file for reading. Returns null and sets *err (the system's words) on failure.
  virtual std::unique_ptr<SequentialFile> OpenSequential(std::string_view path,
                                                         std::string* err) = 0;

  // The calls made so far; a file system that talks to no system makes none.
  virtual FileSystemCalls Calls() const { return {}; }
};

// When the machine's file system asks the system to read files ahead of the one being read:
// once a read has found the data missing from the system's cache, until the files of that run
// are closed (where the cache holds them, every hint costs a call and gives nothing); or always.
enum class ReadAheadMode { kWhenCold, kAlways };

// The file system of the machine the program runs on.
std::unique_ptr<FileSystem> NewNativeFileSystem(ReadAheadMode mode = ReadAheadMode::kWhenCold);

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_FILE_SYSTEM_H_
