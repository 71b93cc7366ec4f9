#include "tools/standin_host/mail_store.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace standin {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Position of the first c that stands as a character of its own (not a trail byte), or npos.
size_t FindChar(std::string_view text, char c, size_t from = 0) {
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] == c) return i;
    if (IsLead(static_cast<unsigned char>(text[i]))) ++i;
  }
  return std::string_view::npos;
}

bool EndsWithSeparator(std::string_view text) {
  bool last_was_separator = false;
  for (size_t i = 0; i < text.size(); ++i) {
    last_was_separator = text[i] == '\\';
    if (IsLead(static_cast<unsigned char>(text[i]))) ++i;
  }
  return last_was_separator;
}

// The key under which two folder IDs or relative paths are the same: ASCII letters folded, as
// the host's file system ignores their case, and no trailing backslash.
std::string FoldKey(std::string_view text) {
  std::string s;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLead(c) && i + 1 < text.size()) {
      s += text.substr(i, 2);
      ++i;
    } else {
      s += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
  }
  if (EndsWithSeparator(s)) s.pop_back();
  return s;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
  return s;
}

std::wstring FullPath(std::string_view data_folder, std::string_view relative) {
  return WideFrom932(data_folder) + WideFrom932(relative);
}

bool DirectoryExists(const std::wstring& path) {
  DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
  DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// Index lines end at CR LF or a lone CR; a byte 0x1A ends the file.
std::vector<std::string_view> IndexLines(std::string_view data) {
  size_t eof = data.find('\x1a');
  if (eof != std::string_view::npos) data = data.substr(0, eof);
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t cr = data.find('\r', start);
    if (cr == std::string_view::npos) {
      lines.push_back(data.substr(start));
      break;
    }
    lines.push_back(data.substr(start, cr - start));
    start = cr + 1;
    if (start < data.size() && data[start] == '\n') ++start;
  }
  return lines;
}

// The first count fields of a line (0x01 separates, 0x00 ends), trimmed; missing ones empty.
std::vector<std::string_view> IndexFields(std::string_view line, size_t count) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (fields.size() < count && start <= line.size()) {
    size_t end = start;
    while (end < line.size() && static_cast<unsigned char>(line[end]) >= 0x02) {
      end += IsLead(static_cast<unsigned char>(line[end])) && end + 1 < line.size() ? 2 : 1;
    }
    fields.push_back(Trim(line.substr(start, end - start)));
    if (end >= line.size() || line[end] == '\0') break;
    start = end + 1;
  }
  fields.resize(count);
  return fields;
}

bool ParseHex(std::string_view text, uint32_t* value) {
  if (text.empty()) return false;
  uint64_t v = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0 || v >> 60) return false;
    v = v << 4 | static_cast<unsigned>(digit);
  }
  *value = static_cast<uint32_t>(v);
  return true;
}

std::vector<std::wstring> SubDirectories(const std::wstring& dir, const wchar_t* pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((dir + pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") {
      continue;
    }
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

void AddFolders(std::string_view data_folder, const std::string& parent_id, int depth,
                std::vector<FolderEntry>* out) {
  for (const std::wstring& name : SubDirectories(FullPath(data_folder, parent_id), L"*")) {
    std::string id = parent_id + To932(name) + "\\";
    if (!FileExists(FullPath(data_folder, id) + L"Folder.idx")) continue;
    out->push_back({id, DisplayNameOf(data_folder, id), depth, true});
    AddFolders(data_folder, id, depth + 1, out);
  }
}

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::string* out) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  out->clear();
  char chunk[65536];
  DWORD got = 0;
  bool ok;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr)) && got > 0) {
    out->append(chunk, got);
  }
  CloseHandle(file);
  return ok;
}

std::wstring WideFrom932(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string To932(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string narrow(n, '\0');
  WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr,
                      nullptr);
  return narrow;
}

std::string WithSeparator(std::string_view text) {
  std::string s(text);
  if (!s.empty() && !EndsWithSeparator(s)) s += '\\';
  return s;
}

std::string MailBoxOf(std::string_view folder_id) {
  size_t sep = FindChar(folder_id, '\\');
  return std::string(folder_id.substr(0, sep)) + "\\";
}

bool SameFolderId(std::string_view a, std::string_view b) { return FoldKey(a) == FoldKey(b); }

bool IsSafeRelative(std::string_view id) {
  if (id.empty() || id[0] == '\\' || FindChar(id, ':') != std::string_view::npos) return false;
  size_t start = 0;
  while (start < id.size()) {
    size_t end = FindChar(id, '\\', start);
    if (end == std::string_view::npos) end = id.size();
    std::string_view part = id.substr(start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

bool SplitMailId(std::string_view mail_id, std::string* folder_id, std::string* key) {
  size_t q = FindChar(mail_id, '?');  // never a trail byte, but a stray lead byte may hide it
  if (q == std::string_view::npos || q == 0) return false;
  *folder_id = WithSeparator(mail_id.substr(0, q));
  *key = std::string(mail_id.substr(q + 1));
  return true;
}

bool FolderDirectoryExists(std::string_view data_folder, std::string_view folder_id) {
  return !data_folder.empty() && IsSafeRelative(folder_id) &&
         DirectoryExists(FullPath(data_folder, folder_id));
}

std::vector<MailEntry> ReadMails(std::string_view data_folder, std::string_view folder_id) {
  std::vector<MailEntry> mails;
  std::string folder = WithSeparator(folder_id);
  std::string data;
  if (!FolderDirectoryExists(data_folder, folder) ||
      !ReadWholeFile(FullPath(data_folder, folder) + L"Folder.idx", &data)) {
    return mails;
  }
  for (std::string_view line : IndexLines(data)) {
    std::vector<std::string_view> f = IndexFields(line, 9);
    MailEntry mail;
    if (f[1].empty() || !ParseHex(f[8], &mail.date)) continue;
    mail.key = std::string(f[1]);
    mail.mail_id = folder + "?" + mail.key;
    mail.subject = std::string(f[3]);
    mail.from = std::string(f[4]);
    mail.to = std::string(f[5]);
    mails.push_back(std::move(mail));
  }
  return mails;
}

bool FindMail(std::string_view data_folder, std::string_view mail_id, MailEntry* found) {
  std::string folder, key;
  if (!SplitMailId(mail_id, &folder, &key)) return false;
  for (MailEntry& mail : ReadMails(data_folder, folder)) {
    if (mail.key == key) {
      *found = std::move(mail);
      return true;
    }
  }
  return false;
}

std::string DisplayNameOf(std::string_view data_folder, std::string_view folder_id) {
  std::string id = WithSeparator(folder_id);
  if (id.empty()) return {};
  std::string mailbox = MailBoxOf(id);
  std::string relative = FoldKey(std::string_view(id).substr(mailbox.size()));
  std::string data;
  if (IsSafeRelative(mailbox) &&
      ReadWholeFile(FullPath(data_folder, mailbox) + L"Folders.txt", &data)) {
    size_t start = 0;
    while (start < data.size()) {
      size_t end = data.find('\n', start);  // LF is never a trail byte
      if (end == std::string::npos) end = data.size();
      std::string_view line = Trim(std::string_view(data).substr(start, end - start));
      start = end + 1;
      if (line.empty() || line[0] == ';' || line[0] == '#') continue;
      size_t eq = line.find('=');  // nor is "="
      if (eq == std::string_view::npos) continue;
      if (FoldKey(Trim(line.substr(0, eq))) == relative) {
        return std::string(Trim(line.substr(eq + 1)));
      }
    }
  }
  // The last component's own name; a mailbox's without ".mb".
  std::string_view path = std::string_view(id).substr(0, id.size() - 1);
  size_t last = std::string_view::npos;
  for (size_t pos = FindChar(path, '\\'); pos != std::string_view::npos;
       pos = FindChar(path, '\\', pos + 1)) {
    last = pos;
  }
  std::string name(last == std::string_view::npos ? path : path.substr(last + 1));
  if (relative.empty() && name.size() > 3 && FoldKey(name.substr(name.size() - 3)) == ".mb") {
    name.resize(name.size() - 3);
  }
  return name;
}

std::vector<FolderEntry> ListStoreFolders(std::string_view data_folder) {
  std::vector<FolderEntry> folders;
  if (data_folder.empty()) return folders;
  for (const std::wstring& name : SubDirectories(WideFrom932(data_folder), L"*.mb")) {
    std::string id = To932(name) + "\\";
    folders.push_back({id, DisplayNameOf(data_folder, id), 0,
                       FileExists(FullPath(data_folder, id) + L"Folder.idx")});
    AddFolders(data_folder, id, 1, &folders);
  }
  return folders;
}

}  // namespace standin
