#include "settings/ini_params.h"

#include <algorithm>

#include "settings/screen_fit.h"
#include "text/str_csv.h"
#include "text/str_libs.h"

namespace zeldrium {
namespace {

constexpr std::string_view kDefaultColWidth = "400,200,150,150,0,";
constexpr int32_t kDefaultFindCount = 20;

}  // namespace

TInitParam::TInitParam(WarningBox* warning, SettingsIO& io) : warning_(warning), io_(io) {}

TInitParam::~TInitParam() {
  try {
    Save();
  } catch (...) {
    // Save reports its own failures; nothing may leave a destructor.
  }
}

void TInitParam::Load(std::string path) {
  FileName = std::move(path);
  TInitFile ini(FileName, io_);
  file_unreadable_ = ini.ReadResult() == SettingsReadResult::kError;
  read_error_ = ini.ReadError();

  TWindowInfo window = ini.ReadWindow("WINDOWINFO");
  WindowState = window.State;
  WindowRect = window.Rect;

  // Save never writes an empty value (it removes the key), so an empty one stands for the
  // default as a missing key does; kept empty, it would make the next save differ from this one.
  ColWidth = ini.ReadString("COLWIDTH", kDefaultColWidth);
  if (ColWidth.empty()) ColWidth = kDefaultColWidth;
  FindHistory = ini.ReadString("FINDHISTORY", "");

  // Only the keys the file has are visited, so a huge FINDCOUNT costs nothing; absent or
  // rejected entries leave no gap because CsvToRec appends past the end.
  FindList.ClearAll();
  int32_t count = ini.ReadInteger("FINDCOUNT", kDefaultFindCount);
  for (const auto& [i, csv] : ini.ReadNumbered("FINDPARAM", count)) FindList.CsvToRec(i, csv);

  TStringCSV options(ini.ReadString("OPTIONSET", ""));
  SubFolder = options.GetBool(0);
  CommaAnd = options.GetBool(1);
  CaseSensitive = options.GetBool(2);
  WindowFit = options.GetBool(3);
  MultiLineTab = options.GetBool(4);

  ShowHotKey =
      static_cast<uint16_t>(static_cast<uint32_t>(ini.ReadInteger("SHOWHOTKEY", 0)) & 0xFFFF);

  TStringCSV date_limit(ini.ReadString("DATELIMIT", "0,0"));
  UseDateLimit = date_limit.GetBool(0);
  DateLimit = date_limit.GetInt(1);
  if (DateLimit == 0) DateLimit = static_cast<int32_t>(DateToUnix(LocalNow()));

  ViewFont = DefaultViewFont();
  ini.ReadFont("VIEWFONT", &ViewFont);

  const int32_t scope = ini.ReadInteger("FINDSCOPE", 0);
  Scope = scope >= 0 && scope <= static_cast<int32_t>(FolderScope::kAllMailboxes)
              ? static_cast<FolderScope>(scope)
              : FolderScope::kCurrentFolder;
  SearchWhileTyping = ini.ReadInteger("FINDWHILETYPING", 1) != 0;
}

bool TInitParam::WriteAll(std::string* err) {
  if (file_unreadable_) {
    *err = "not overwriting a settings file that could not be read: " + read_error_;
    return false;
  }
  TInitFile ini(FileName, io_, TInitFile::Start::kEmpty);
  ini.WriteWindow("WINDOWINFO", WindowState, WindowRect);
  ini.WriteFont("VIEWFONT", ViewFont);
  ini.WriteString("COLWIDTH", ColWidth);
  ini.WriteString("FINDHISTORY", FindHistory);
  ini.WriteInteger("FINDCOUNT", FindList.Count());
  ini.WriteInteger("SHOWHOTKEY", ShowHotKey);
  for (int i = 0; i < FindList.Count(); ++i) {
    ini.WriteString("FINDPARAM" + std::to_string(i), FindList.RecToCsv(i));
  }
  ini.WriteString("OPTIONSET",
                  JoinCsv({SubFolder, CommaAnd, CaseSensitive, WindowFit, MultiLineTab}));
  ini.WriteString("DATELIMIT", JoinCsv({UseDateLimit, DateLimit}));
  if (Scope != FolderScope::kCurrentFolder) ini.WriteInteger("FINDSCOPE", static_cast<int>(Scope));
  if (!SearchWhileTyping) ini.WriteInteger("FINDWHILETYPING", 0);
  return ini.Flush(err);
}

bool TInitParam::Save() {
  if (FileName.empty()) return true;
  std::string err;
  bool ok;
  try {
    ok = WriteAll(&err);
  } catch (...) {
    ok = false;  // out of memory building the text: the file is not touched
  }
  if (!ok && warning_) warning_->ShowWarning(kIniWriteErrorText, kWarningCaption);
  return ok;
}

void TInitParam::RestoreWindow(PlacedWindow& form) const {
  form.SetState(WindowState);
  if (form.GetState() == TWindowState::kMaximized || WindowRect.Left >= WindowRect.Right) return;
  const std::vector<TRect> areas = form.WorkAreas();
  if (areas.empty()) {
    form.SetBounds(WindowRect);  // nothing known to hold it to
    return;
  }
  TRect bounds = WindowRect;
  const TRect& area = areas[MonitorOf(bounds, areas)];
  // A bottom above the top is as unusable as a height of 0.
  if (bounds.Bottom <= bounds.Top) {
    const int64_t height = (int64_t{area.Bottom} - area.Top) / 3;
    // Lower where the bottom would overflow; the fit below moves it there anyway.
    bounds.Top = static_cast<int32_t>(std::min<int64_t>(bounds.Top, INT32_MAX - height));
    bounds.Bottom = static_cast<int32_t>(bounds.Top + height);
  }
  form.SetBounds(FitInto(bounds, area));
}

void TInitParam::StoreWindow(const PlacedWindow& form) {
  WindowState = form.GetState();
  if (WindowState != TWindowState::kMaximized) WindowRect = form.GetBounds();
}

}  // namespace zeldrium
