#ifndef ZELDRIUM_UI_FIND_PROP_H_
#define ZELDRIUM_UI_FIND_PROP_H_

// The search properties dialog: edits one saved search condition (its name, the subfolder
// switch, the fixed folders and the five rows) on a copy of its own. "条件更新" (or Enter)
// confirms, "閉じる" (or Esc) leaves the condition as it was. Nothing is validated: an empty
// name, a keyword without a target and an empty folder list are stored as entered; a row whose
// keyword is empty is stored inactive (logic and target -1, both flags off).

#include <windows.h>

#include <string>

#include "query/find_class.h"
#include "store/file_system.h"
#include "ui/portable/mail_host.h"
#include "win32/dialog.h"

class TPropForm : public win32::Dialog {
 public:
  // The controls, in tab order. The rows' controls, by row 0 to 4, are listed in kRowControls.
  enum Control : int {
    kQueryText = 201,
    kCheckBox3,  // サブフォルダも検索
    kFolderSetBtn,
    kToolButton1 = IDOK,      // 条件更新
    kToolButton2 = IDCANCEL,  // 閉じる
    kComboBox2 = 211,
    kComboBox3,
    kEdit4,
    kCheckBox6,
    kCheckBox7,
    kComboBox4,
    kComboBox7,
    kEdit3,
    kCheckBox8,
    kCheckBox9,
    kComboBox5,
    kComboBox1,
    kEdit5,
    kCheckBox4,
    kCheckBox5,
    kComboBox6,
    kComboBox9,
    kEdit2,
    kCheckBox10,
    kCheckBox11,
    kComboBox8,
    kComboBox11,
    kEdit1,
    kCheckBox12,
    kCheckBox14,
  };
  struct RowControls {
    int logic, target, keyword, comma_and, case_sensitive;
  };
  static constexpr RowControls kRowControls[zeldrium::kFindRows] = {
      {kComboBox2, kComboBox3, kEdit4, kCheckBox6, kCheckBox7},
      {kComboBox4, kComboBox7, kEdit3, kCheckBox8, kCheckBox9},
      {kComboBox5, kComboBox1, kEdit5, kCheckBox4, kCheckBox5},
      {kComboBox6, kComboBox9, kEdit2, kCheckBox10, kCheckBox11},
      {kComboBox8, kComboBox11, kEdit1, kCheckBox12, kCheckBox14},
  };

  // The folder button opens the folder selection over host and fs.
  // REQUIRES: host and fs outlive the dialog.
  TPropForm(ui::MailHost& host, zeldrium::FileSystem& fs);
  ~TPropForm() override;

  // Copies rec as the record to edit and shows it in the controls.
  void SetFindRec(const zeldrium::TFindRec& rec);
  // The edited record after OK; the record given to SetFindRec otherwise.
  const zeldrium::TFindRec& FindRec() const { return find_rec_; }

 protected:
  void CreateControls() override;
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CreateRow(int row, int top);
  void ShowFindRec();
  void SetRow(int row, const zeldrium::TFindOpt& opt);
  zeldrium::TFindOpt GetRow(int row) const;
  std::wstring ItemText(int id) const;
  bool Checked(int id) const;
  void SetChecked(int id, bool checked);

  BOOL OnCommand(int id, int code);
  void ToolButton1Click();
  void ToolButton2Click();
  void FolderDialog();

  ui::MailHost& host_;
  zeldrium::FileSystem& fs_;
  zeldrium::TFindRec find_rec_;
  // Changed by the folder dialog, copied into find_rec_ only on confirmation.
  std::string FolderList;
};

// What the search window's PropClick needs: opens the dialog over owner with its top-left
// corner at top_left (screen pixels) on a copy of *rec. True when the user confirmed; *rec is
// then replaced by the edited record (all fields). False leaves *rec untouched.
//
// The dialog is modal but the owner's search may still be running underneath (its message
// loop keeps running): the caller decides when to store the result.
bool EditFindRec(HWND owner, POINT top_left, zeldrium::TFindRec* rec, ui::MailHost& host,
                 zeldrium::FileSystem& fs);

#endif  // ZELDRIUM_UI_FIND_PROP_H_
