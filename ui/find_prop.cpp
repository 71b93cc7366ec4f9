#include "ui/find_prop.h"

#include <commctrl.h>

#include <algorithm>

#include "text/code_page_win.h"
#include "ui/folder_sel.h"

namespace {

constexpr char kCaption[] =
    "\x8c\x9f\x8d\xf5\x83\x76\x83\x8d\x83\x70\x83\x65\x83\x42";            // 検索プロパティ
constexpr char kNameLabel[] = "\x8c\x9f\x8d\xf5\x96\xbc\x8f\xcc\x81\x46";  // 検索名称：
constexpr char kSubFolderCaption[] =
    "\x83\x54\x83\x75\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xe0\x8c\x9f\x8d"
    "\xf5";  // サブフォルダも検索
constexpr char kFolderSetCaption[] =
    "\x8c\x9f\x8d\xf5\x8c\xc5\x92\xe8\x83\x74\x83\x48\x83\x8b\x83\x5f...";  // 検索固定フォルダ...
constexpr char kUpdateCaption[] = "\x8f\xf0\x8c\x8f\x8d\x58\x90\x56";  // 条件更新
constexpr char kCloseCaption[] = "\x95\xc2\x82\xb6\x82\xe9";           // 閉じる
constexpr char kGroupCaption[] = "\x8f\xf0\x8c\x8f\x90\xdd\x92\xe8";   // 条件設定
constexpr char kCommaAndCaption[] =
    " \x83\x4a\x83\x93\x83\x7d/\x8b\xf3\x94\x92\x82\xf0"  // " カンマ/空白を"
    "AND\x8c\x9f\x8d\xf5";                                // "AND検索"
constexpr char kCaseCaption[] =
    "\x91\xe5\x81\x45\x8f\xac\x95\xb6\x8e\x9a\x82\xf0\x8b\xe6\x95\xca";  // 大・小文字を区別

constexpr const wchar_t* kLogicItems[] = {L"OR", L"AND", L"NOT"};
constexpr const wchar_t* kTargetItems[] = {L"From:", L"To:", L"Subject:", L"From,To:"};

constexpr int kClientWidth = 688;
constexpr int kClientHeight = 141;
constexpr int kBarHeight = 20;
constexpr int kSeparatorWidth = 8;
constexpr int kBarButtonWidth = 104;
constexpr int kGroupCaptionHeight = 15;
constexpr int kRowLeft = 2;
constexpr int kDropDownHeight = 200;  // the selection field plus the opened list

// Room around a caption: a label's margin, a check box's box and gap, a button's edges.
constexpr int kLabelPadding = 2;
constexpr int kCheckPadding = 20;
constexpr int kButtonPadding = 12;

struct TopBarWidths {
  int label = 54, query = 121, subfolder = 133;
  int buttons[3] = {kBarButtonWidth, kBarButtonWidth, kBarButtonWidth};
  int Total() const {
    return label + query + subfolder + buttons[0] + buttons[1] + buttons[2] + 4 * kSeparatorWidth;
  }
};

struct RowWidths {
  int logic = 50, target = 85, keyword = 250, comma_and = 155, case_sensitive = 125;
};

}  // namespace

TPropForm::TPropForm(ui::MailHost& host, zeldrium::FileSystem& fs)
    : Dialog({zeldrium::WideFrom932(kCaption), kClientWidth, kClientHeight, WS_POPUP | WS_CAPTION,
              WS_EX_TOOLWINDOW}),
      host_(host),
      fs_(fs) {}

TPropForm::~TPropForm() = default;

void TPropForm::SetFindRec(const zeldrium::TFindRec& rec) {
  find_rec_ = rec;
  FolderList = rec.Folders;
  if (hwnd()) ShowFindRec();
}

void TPropForm::CreateControls() {
  using Args = ControlArgs;
  std::wstring label = zeldrium::WideFrom932(kNameLabel);
  std::wstring subfolder = zeldrium::WideFrom932(kSubFolderCaption);
  const struct {
    std::wstring caption;
    int id;
  } bar[] = {{zeldrium::WideFrom932(kFolderSetCaption), kFolderSetBtn},
             {zeldrium::WideFrom932(kUpdateCaption), kToolButton1},
             {zeldrium::WideFrom932(kCloseCaption), kToolButton2}};
  // The designed widths, widened where the font in use needs more room and the bar still fits.
  TopBarWidths w;
  TopBarWidths fitted = w;
  fitted.label = std::max(w.label, TextWidth(label) + kLabelPadding);
  fitted.subfolder = std::max(w.subfolder, TextWidth(subfolder) + kCheckPadding);
  for (int i = 0; i < 3; ++i) {
    fitted.buttons[i] = std::max(w.buttons[i], TextWidth(bar[i].caption) + kButtonPadding);
  }
  if (fitted.Total() <= kClientWidth) w = fitted;

  int x = 0;
  AddControl(Args{WC_STATICW, label, 0, SS_RIGHT | SS_CENTERIMAGE, 0, x, 0, w.label, kBarHeight});
  x += w.label;
  AddControl(Args{WC_EDITW, L"", kQueryText, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, x, 0,
                  w.query, kBarHeight});
  x += w.query + kSeparatorWidth;
  AddControl(Args{WC_BUTTONW, subfolder, kCheckBox3, WS_TABSTOP | BS_AUTOCHECKBOX, 0, x, 0,
                  w.subfolder, kBarHeight});
  x += w.subfolder + kSeparatorWidth;
  for (int i = 0; i < 3; ++i) {
    AddControl(Args{WC_BUTTONW, bar[i].caption, bar[i].id, WS_TABSTOP | BS_PUSHBUTTON, 0, x, 0,
                    w.buttons[i], kBarHeight});
    x += w.buttons[i] + kSeparatorWidth;
  }
  AddControl(Args{WC_BUTTONW, zeldrium::WideFrom932(kGroupCaption), 0, BS_GROUPBOX, 0, 0,
                  kBarHeight, kClientWidth, kClientHeight - kBarHeight});
  for (int row = 0; row < zeldrium::kFindRows; ++row) {
    CreateRow(row, kBarHeight + kGroupCaptionHeight + row * kBarHeight);
  }
  ShowFindRec();
}

void TPropForm::CreateRow(int row, int top) {
  using Args = ControlArgs;
  const RowControls& ids = kRowControls[row];
  const RowWidths w;
  int x = kRowLeft;
  // WS_GROUP starts each row, so the arrow keys move within it.
  HWND logic = AddControl(Args{WC_COMBOBOXW, L"", ids.logic,
                               WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, x, top,
                               w.logic, kDropDownHeight});
  x += w.logic;
  HWND target =
      AddControl(Args{WC_COMBOBOXW, L"", ids.target, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                      x, top, w.target, kDropDownHeight});
  x += w.target;
  for (const wchar_t* item : kLogicItems) {
    SendMessageW(logic, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  for (const wchar_t* item : kTargetItems) {
    SendMessageW(target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  AddControl(Args{WC_EDITW, L"", ids.keyword, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, x, top,
                  w.keyword, kBarHeight});
  x += w.keyword;
  AddControl(Args{WC_BUTTONW, zeldrium::WideFrom932(kCommaAndCaption), ids.comma_and,
                  WS_TABSTOP | BS_AUTOCHECKBOX, 0, x, top, w.comma_and, kBarHeight});
  x += w.comma_and + kSeparatorWidth;
  AddControl(Args{WC_BUTTONW, zeldrium::WideFrom932(kCaseCaption), ids.case_sensitive,
                  WS_TABSTOP | BS_AUTOCHECKBOX, 0, x, top, w.case_sensitive, kBarHeight});
}

void TPropForm::ShowFindRec() {
  SetWindowTextW(Item(kQueryText), zeldrium::WideFrom932(find_rec_.Name).c_str());
  SetChecked(kCheckBox3, find_rec_.SubFolder);
  for (int row = 0; row < zeldrium::kFindRows; ++row) SetRow(row, find_rec_.Opts[row]);
}

void TPropForm::SetRow(int row, const zeldrium::TFindOpt& opt) {
  const RowControls& ids = kRowControls[row];
  int logic = opt.Logic >= zeldrium::kLogicOr && opt.Logic <= zeldrium::kLogicNot ? opt.Logic : -1;
  // The search reads every target beyond the first three as From and To together, so that is
  // what the box shows; an empty box would turn the row off on the next confirmation.
  int target = opt.Target;
  if (target != zeldrium::kTargetNone &&
      (target < zeldrium::kTargetFrom || target > zeldrium::kTargetSubject)) {
    target = zeldrium::kTargetFromTo;
  }
  SendMessageW(Item(ids.logic), CB_SETCURSEL, static_cast<WPARAM>(logic), 0);
  SendMessageW(Item(ids.target), CB_SETCURSEL, static_cast<WPARAM>(target), 0);
  SetWindowTextW(Item(ids.keyword), zeldrium::WideFrom932(opt.Keyword).c_str());
  SetChecked(ids.comma_and, opt.CommaAnd);
  SetChecked(ids.case_sensitive, opt.CaseSensitive);
}

zeldrium::TFindOpt TPropForm::GetRow(int row) const {
  const RowControls& ids = kRowControls[row];
  zeldrium::TFindOpt opt;
  opt.Keyword = zeldrium::To932(ItemText(ids.keyword));
  if (opt.Keyword.empty()) {
    opt.Logic = -1;
    opt.Target = zeldrium::kTargetNone;
    opt.CommaAnd = false;
    opt.CaseSensitive = false;
    return opt;
  }
  // CB_ERR is -1: an empty box reads as "none".
  opt.Logic = static_cast<int32_t>(SendMessageW(Item(ids.logic), CB_GETCURSEL, 0, 0));
  opt.Target = static_cast<int32_t>(SendMessageW(Item(ids.target), CB_GETCURSEL, 0, 0));
  opt.CommaAnd = Checked(ids.comma_and);
  opt.CaseSensitive = Checked(ids.case_sensitive);
  return opt;
}

std::wstring TPropForm::ItemText(int id) const {
  HWND item = Item(id);
  int length = GetWindowTextLengthW(item);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(item, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

bool TPropForm::Checked(int id) const {
  return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TPropForm::SetChecked(int id, bool checked) {
  SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

INT_PTR TPropForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wparam), HIWORD(wparam));
  }
  return Dialog::HandleMessage(message, wparam, lparam);
}

BOOL TPropForm::OnCommand(int id, int code) {
  switch (id) {
    case kToolButton1:
      ToolButton1Click();
      return TRUE;
    case kToolButton2:
      ToolButton2Click();
      return TRUE;
    case kFolderSetBtn:
      if (code == BN_CLICKED) FolderDialog();
      return TRUE;
  }
  return FALSE;
}

void TPropForm::ToolButton1Click() {
  zeldrium::TFindRec edited;
  edited.Name = zeldrium::To932(ItemText(kQueryText));
  edited.SubFolder = Checked(kCheckBox3);
  edited.Folders = FolderList;
  for (int row = 0; row < zeldrium::kFindRows; ++row) edited.Opts[row] = GetRow(row);
  find_rec_ = std::move(edited);
  End(IDOK);
}

void TPropForm::ToolButton2Click() { End(IDCANCEL); }

void TPropForm::FolderDialog() {
  RECT r = {};
  GetWindowRect(hwnd(), &r);
  std::string folders = FolderList;
  if (SelectFolders(hwnd(), {r.left, r.top}, &folders, host_, fs_)) FolderList = std::move(folders);
}

bool EditFindRec(HWND owner, POINT top_left, zeldrium::TFindRec* rec, ui::MailHost& host,
                 zeldrium::FileSystem& fs) {
  TPropForm form(host, fs);
  form.SetFindRec(*rec);
  if (form.ShowModal(owner, top_left) != IDOK) return false;
  *rec = form.FindRec();
  return true;
}
