#include "ui/folder_sel.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "store/file_system.h"
#include "text/code_page_win.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"
#include "ui/pictures.h"

namespace {

constexpr char kCaption[] =
    "\x8c\x9f\x8d\xf5\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xcc\x8e\x77\x92\xe8";  // 検索フォルダの指定
constexpr char kAddCaption[] = "\x81\xaa\x92\xc7\x89\xc1";                       // ↑追加
constexpr char kDelCaption[] = "\x8d\xed\x8f\x9c";                               // 削除
constexpr char kClearCaption[] = "\x91\x53\x83\x4e\x83\x8a\x83\x41";             // 全クリア
constexpr char kCancelCaption[] = "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b";  // キャンセル

constexpr int kClientWidth = 337;
constexpr int kClientHeight = 370;
constexpr int kListHeight = 97;
constexpr int kBarHeight = 22;
constexpr int kBarButtonWidth = 49;
constexpr int kSeparatorWidth = 8;
constexpr int kButtonPadding = 12;  // a button's edges around its caption
constexpr int kTreeTop = kListHeight + kBarHeight;
constexpr int kTreeHeight = 213;
constexpr int kTreeIndent = 19;

bool IsMailBoxName(std::string_view name) {
  // '.' is never the second byte of a double-byte character, so the test is safe on bytes.
  if (name.size() < 3) return false;
  std::string_view tail = name.substr(name.size() - 3);
  return tail[0] == '.' && (tail[1] == 'm' || tail[1] == 'M') && (tail[2] == 'b' || tail[2] == 'B');
}

// The trail byte of a double-byte character may be a backslash ("\x83\x5c", ソ): only a
// backslash standing on its own ends a directory.
bool EndsWithSeparator(std::string_view path) {
  bool last_is_separator = false;
  for (size_t i = 0; i < path.size(); ++i) {
    last_is_separator = path[i] == '\\';
    if (zeldrium::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
  }
  return last_is_separator;
}

}  // namespace

TB2Folder::TB2Folder(ui::MailHost& host, zeldrium::FileSystem& fs)
    : Dialog({zeldrium::WideFrom932(kCaption), kClientWidth, kClientHeight}), host_(host), fs_(fs) {
  BuildTree();
}

TB2Folder::~TB2Folder() = default;

void TB2Folder::BuildTree() {
  MailBoxes.clear();
  nodes_.clear();
  std::string data = host_.DataFolder();
  if (data.empty()) return;
  if (!EndsWithSeparator(data)) data += '\\';
  // A link (a mailbox or folder moved to another drive) shows like a folder; a directory that
  // shows once, by whatever path, does not show again, so a link back up ends there.
  zeldrium::TVisitedDirectories visited(&fs_);
  zeldrium::FolderListing mailboxes;
  fs_.ListFolder(data, &mailboxes);
  for (size_t i = 0; i < mailboxes.subdirectories.size(); ++i) {
    const std::string& name = mailboxes.subdirectories[i];
    if (!IsMailBoxName(name)) continue;
    std::string id = name + '\\';
    if (!visited.Enter(data + id, mailboxes.is_link[i])) continue;
    std::string display = host_.FolderDisplayName(id);
    // A node without text could be neither read nor told apart.
    if (display.empty()) display = name;
    MailBoxes.push_back({display, id});
    nodes_.push_back({display, id, -1});
    int node = static_cast<int>(nodes_.size()) - 1;
    zeldrium::FolderListing listing;
    fs_.ListFolder(data + id, &listing);
    AddSubFolders(node, data + id, listing, &visited);
  }
}

void TB2Folder::AddSubFolders(int node, const std::string& dir,
                              const zeldrium::FolderListing& listing,
                              zeldrium::TVisitedDirectories* visited) {
  zeldrium::FolderListing below;
  for (size_t i = 0; i < listing.subdirectories.size(); ++i) {
    const std::string& name = listing.subdirectories[i];
    if (name.empty() || name[0] == '!') continue;
    std::string sub = dir + name + '\\';
    if (!visited->Enter(sub, listing.is_link[i])) continue;
    fs_.ListFolder(sub, &below);
    if (!below.has_index) continue;
    nodes_.push_back({name, nodes_[node].folder_id + name + '\\', node});
    AddSubFolders(static_cast<int>(nodes_.size()) - 1, sub, below, visited);
  }
}

void TB2Folder::SetFolderList(std::string_view text) {
  lines_.clear();
  for (std::string& id : zeldrium::ReadCommaList(text)) {
    std::string shown = ShownLine(id);
    lines_.push_back({std::move(id), std::move(shown)});
  }
  if (hwnd()) FillList();
}

std::string TB2Folder::FolderList() const {
  std::vector<std::string> ids;
  ids.reserve(lines_.size());
  for (const Line& line : lines_) ids.push_back(line.folder_id);
  return zeldrium::WriteCommaList(ids);
}

std::string TB2Folder::ShownLine(const std::string& folder_id) const {
  // The first mailbox in tree order whose ID begins the line, compared byte for byte as the
  // host writes IDs; the mailbox ID starts both texts, so no double-byte character is split.
  for (const TMailBox& box : MailBoxes) {
    if (std::string_view(folder_id).substr(0, box.folder_id.size()) == box.folder_id) {
      return box.display_name + folder_id.substr(box.folder_id.size());
    }
  }
  return folder_id;
}

std::string TB2Folder::NodeLine(int node) const {
  std::string text;
  while (nodes_[node].parent >= 0) {
    text = nodes_[node].text + '\\' + text;
    node = nodes_[node].parent;
  }
  return nodes_[node].text + text;
}

void TB2Folder::CreateControls() {
  using Args = ControlArgs;
  images_.reset(ui::CreateFolderImageList(Scale(ui::kPictureSize)));
  AddControl(Args{WC_TREEVIEWW, L"", kB2Tree,
                  WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                  WS_EX_CLIENTEDGE, 0, kTreeTop, kClientWidth, kTreeHeight});
  AddControl(Args{WC_LISTBOXW, L"", kListBox1,
                  WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, 0,
                  0, kClientWidth, kListHeight});
  const struct {
    const char* caption;
    int id;
  } bar[] = {{kAddCaption, kAddBtn}, {kDelCaption, kDelBtn}, {kClearCaption, kToolButton2}};
  int x = 0;
  for (const auto& button : bar) {
    std::wstring caption = zeldrium::WideFrom932(button.caption);
    // The designed width suits the Windows font; a wider substitute must not cut the caption.
    int width = std::max(kBarButtonWidth, TextWidth(caption) + kButtonPadding);
    AddControl(Args{WC_BUTTONW, caption, button.id, WS_TABSTOP | BS_PUSHBUTTON, 0, x, kListHeight,
                    width, kBarHeight});
    x += width + kSeparatorWidth;
  }
  AddControl(Args{WC_BUTTONW, L"OK", kBitBtn1, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 45, 340, 101, 25});
  AddControl(Args{WC_BUTTONW, zeldrium::WideFrom932(kCancelCaption), kBitBtn2,
                  WS_TABSTOP | BS_PUSHBUTTON, 0, 200, 340, 116, 25});
  EnableItem(kAddBtn, false);
  EnableItem(kDelBtn, false);
  FillTree();
  FillList();
}

void TB2Folder::FillTree() {
  HWND tree = Item(kB2Tree);
  SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_.get()));
  SendMessageW(tree, TVM_SETINDENT, Scale(kTreeIndent), 0);
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  std::vector<HTREEITEM> items(nodes_.size());
  for (size_t i = 0; i < nodes_.size(); ++i) {
    const TreeNode& node = nodes_[i];
    std::wstring text = zeldrium::WideFrom932(node.text);
    bool mailbox = node.parent < 0;
    TVINSERTSTRUCTW insert = {};
    insert.hParent = mailbox ? TVI_ROOT : items[node.parent];
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.iImage =
        static_cast<int>(mailbox ? ui::FolderPicture::kPostBox : ui::FolderPicture::kClosedFolder);
    insert.item.iSelectedImage =
        static_cast<int>(mailbox ? ui::FolderPicture::kPostBox : ui::FolderPicture::kOpenFolder);
    insert.item.lParam = static_cast<LPARAM>(i);
    items[i] = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
}

void TB2Folder::FillList() {
  HWND list = Item(kListBox1);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const Line& line : lines_) {
    std::wstring text = zeldrium::WideFrom932(line.shown);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

int TB2Folder::SelectedNode() const {
  HWND tree = Item(kB2Tree);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return -1;
  TVITEMW data = {};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return -1;
  auto node = static_cast<size_t>(data.lParam);
  return node < nodes_.size() ? static_cast<int>(node) : -1;
}

INT_PTR TB2Folder::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wparam), HIWORD(wparam));
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lparam));
  }
  return Dialog::HandleMessage(message, wparam, lparam);
}

BOOL TB2Folder::OnCommand(int id, int code) {
  switch (id) {
    case kAddBtn:
      if (code == BN_CLICKED) AddBtnClick();
      return TRUE;
    case kDelBtn:
      if (code == BN_CLICKED) DelBtnClick();
      return TRUE;
    case kToolButton2:
      if (code == BN_CLICKED) ToolButton2Click();
      return TRUE;
    case kListBox1:
      if (code == LBN_SELCHANGE) ListBox1Click();
      return TRUE;
    case kBitBtn1:
      End(IDOK);
      return TRUE;
    case kBitBtn2:
      End(IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

BOOL TB2Folder::OnNotify(const NMHDR* header) {
  if (header->idFrom == kB2Tree &&
      (header->code == TVN_SELCHANGEDW || header->code == TVN_SELCHANGEDA)) {
    B2TreeChange();
  }
  return FALSE;
}

void TB2Folder::B2TreeChange() {
  int node = SelectedNode();
  EnableItem(kAddBtn, node >= 0 && nodes_[node].parent >= 0);
}

void TB2Folder::AddBtnClick() {
  int node = SelectedNode();
  if (node < 0 || nodes_[node].parent < 0) return;
  const std::string& id = nodes_[node].folder_id;
  // The same folder under another spelling of its letters is the same folder on disk; two
  // mailboxes that share a display name still give two different folders.
  std::string key = zeldrium::UpperCase(id);
  for (const Line& line : lines_) {
    if (zeldrium::UpperCase(line.folder_id) == key) return;
  }
  lines_.push_back({id, NodeLine(node)});
  std::wstring text = zeldrium::WideFrom932(lines_.back().shown);
  SendMessageW(Item(kListBox1), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TB2Folder::DelBtnClick() {
  HWND list = Item(kListBox1);
  LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (selected >= 0 && static_cast<size_t>(selected) < lines_.size()) {
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    lines_.erase(lines_.begin() + selected);
  }
  EnableItem(kDelBtn, false);
}

void TB2Folder::ToolButton2Click() {
  lines_.clear();
  SendMessageW(Item(kListBox1), LB_RESETCONTENT, 0, 0);
  EnableItem(kDelBtn, false);
}

void TB2Folder::ListBox1Click() {
  EnableItem(kDelBtn, SendMessageW(Item(kListBox1), LB_GETCURSEL, 0, 0) != LB_ERR);
}

bool SelectFolders(HWND owner, POINT top_left, std::string* folders, ui::MailHost& host,
                   zeldrium::FileSystem& fs) {
  TB2Folder form(host, fs);
  form.SetFolderList(*folders);
  if (form.ShowModal(owner, top_left) != IDOK) return false;
  *folders = form.FolderList();
  return true;
}
