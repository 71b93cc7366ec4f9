#ifndef ZELDRIUM_UI_MAIN_VIEW_IDS_H_
#define ZELDRIUM_UI_MAIN_VIEW_IDS_H_

// The control and menu item IDs of the search window. Tests find the controls by these IDs
// (GetDlgItem on the search window) and send the commands the controls and the context menu
// send, so the numbers are stable.

namespace mainview {

enum ControlId : int {
  kTabControl1 = 1001,
  kToolBar8 = 1002,
  kMailList = 1003,
  // Buttons of ToolBar8: its WM_COMMAND carries these IDs.
  kCloseBtn = 1010,
  kPropBtn = 1011,
  kFindBtn = 1012,
  kReFindBtn = 1013,
  kStopBtn = 1014,
  // The controls that stand on ToolBar8. They are children of the search window itself, laid
  // over the tool bar's place holders, so their notifications come straight to the window.
  kComboBox2 = 1020,
  kComboBox1 = 1021,
  kDateTimePicker1 = 1022,
  kLabel2 = 1023,
  kLabel1 = 1024,
  kScopeBox =
      1025,  // where the searches look: このフォルダ, このメールボックス, すべてのメールボックス
  // Over the empty result list: why the host's folder gave nothing when it shows a mailbox.
  kScopeCue = 1026,
};

// Items of PopupMenu1, the context menu of the tab strip, the tool bar and the result list.
enum MenuId : int {
  kN4 = 1101,  // 再検索
  kN_Prev = 1102,
  kN_Next = 1103,
  kN_Top = 1104,
  kN_Last = 1105,
  kN_Sort = 1106,
  kN_Multi = 1107,
  kDelete1 = 1108,
  kN3 = 1109,           // 全て消去
  kN1 = 1110,           // 検索プロパティ
  kCopyResults = 1111,  // 結果をコピー: every row of the result list to the clipboard
};

// Messages the window posts to itself (WM_APP and up).
enum MessageId : unsigned {
  kSearchTextChanged = 0x8001,  // search the text in the box, once the box has settled
};

}  // namespace mainview

#endif  // ZELDRIUM_UI_MAIN_VIEW_IDS_H_
