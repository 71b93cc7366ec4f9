#ifndef ZELDRIUM_UI_FOLDER_SEL_H_
#define ZELDRIUM_UI_FOLDER_SEL_H_

// The folder selection dialog: the fixed folders of one saved search condition, chosen from a
// tree of the host's mail store (mailboxes at the root, their indexed folders below).
//
// A folder list is a comma list of folder IDs ("abcd.mb\Inbox\"). The user sees each line with
// its mailbox directory replaced by the mailbox's display name ("MainInbox\"), but every line
// keeps its folder ID with it, so OK hands back exactly the IDs: the shown text is never turned
// back into an ID, and a folder whose name happens to contain a display name stays intact. A
// stored ID whose mailbox no longer exists is shown and returned as it is.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "store/file_system.h"
#include "store/visited_directories.h"
#include "ui/portable/mail_host.h"
#include "win32/dialog.h"
#include "win32/handles.h"

class TB2Folder : public win32::Dialog {
 public:
  // The controls, in tab order.
  enum Control : int {
    kB2Tree = 101,
    kListBox1,
    kAddBtn,
    kDelBtn,
    kToolButton2,  // 全クリア: empties the list
    kBitBtn1 = IDOK,
    kBitBtn2 = IDCANCEL,
  };

  // Reads the host's mail store (its data folder, the display names) for the tree. A host
  // without a data folder gives an empty tree; the list still works.
  // REQUIRES: host and fs outlive the dialog.
  TB2Folder(ui::MailHost& host, zeldrium::FileSystem& fs);
  ~TB2Folder() override;

  // REQUIRES: called before ShowModal.
  void SetFolderList(std::string_view text);
  // The folder IDs of the list's lines, in order, as one comma list. Meaningful after OK.
  std::string FolderList() const;

 protected:
  void CreateControls() override;
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  struct TMailBox {
    std::string display_name;
    std::string folder_id;  // the mailbox directory and a backslash
  };
  // One node of the tree, mailboxes and their folders depth first in the order found.
  struct TreeNode {
    std::string text;  // a mailbox's display name, or a folder's directory name
    std::string folder_id;
    int parent = -1;  // index of the parent node; -1 for a mailbox
  };
  struct Line {
    std::string folder_id;
    std::string shown;
  };

  void BuildTree();
  // Adds the folders below dir (whose listing is given) under node, depth first.
  void AddSubFolders(int node, const std::string& dir, const zeldrium::FolderListing& listing,
                     zeldrium::TVisitedDirectories* visited);
  void FillTree();
  void FillList();
  std::string ShownLine(const std::string& folder_id) const;
  std::string NodeLine(int node) const;
  int SelectedNode() const;

  BOOL OnCommand(int id, int code);
  BOOL OnNotify(const NMHDR* header);
  void AddBtnClick();
  void DelBtnClick();
  void ToolButton2Click();
  void ListBox1Click();
  void B2TreeChange();

  ui::MailHost& host_;
  zeldrium::FileSystem& fs_;
  std::vector<TMailBox> MailBoxes;
  std::vector<TreeNode> nodes_;
  std::vector<Line> lines_;
  win32::UniqueHimagelist images_;
};

// Opens the folder selection dialog over owner with its top-left corner at top_left (screen
// pixels), on *folders. True when the user confirmed: *folders is then the chosen list.
// Otherwise *folders is untouched.
bool SelectFolders(HWND owner, POINT top_left, std::string* folders, ui::MailHost& host,
                   zeldrium::FileSystem& fs);

#endif  // ZELDRIUM_UI_FOLDER_SEL_H_
