#ifndef ZELDRIUM_UI_MAIN_VIEW_H_
#define ZELDRIUM_UI_MAIN_VIEW_H_

// The quick-search window: created hidden when the plug-in starts, shown and hidden any number of
// times, destroyed only when the plug-in unloads. Opened by the host's menu commands
// (ShowQuickSearch) and by a global hot key (ToggleWindow).

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_params.h"
#include "ui/window.h"

class TMainForm : public ui::Window {
 public:
  // REQUIRES: params outlives the window.
  explicit TMainForm(zeldrium::TInitParam& params);
  ~TMainForm() override;

  // Creates the window hidden and without owner, applying the settings (FormCreate).
  bool Create();

  bool Visible() const;
  // The bounds of the window in its normal state, screen pixels.
  void SetBounds(int left, int top, int width, int height);

  // For a non-empty text: set up and run a quick search of From for it. Then show the window in
  // front, whatever the text.
  void ShowQuickSearch(std::string_view text);
  // Runs the search of the current tab again; nothing without a current tab.
  void RunSearch();

  // Registers a stored shortcut value (virtual key | shift 0x2000 | ctrl 0x4000 | alt 0x8000) as
  // the window's global hot key. 0 registers nothing; a combination another program holds is
  // silently absent.
  void RegisterShowHotKey(int id, uint16_t shortcut);
  // Shows a hidden window, brings a covered one to the front, hides one already in front.
  void ToggleWindow();

  // At process exit the window may no longer be touched: hands the search-string list, kept in
  // memory, to the settings as FormDestroy would.
  void StoreHistoryForExit();

  // Set while the window asks the host to display a hit, so the folder change that the host
  // reports meanwhile does not re-run the search.
  bool OpeningHit = false;

  // The entries of the search-string list, in list order (what FINDHISTORY stores).
  const std::vector<std::string>& History() const { return history_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void FormCreate();
  void FormClose();
  void FormDestroy();
  void WMHotKey(int id);
  void ShowInFront();
  void StoreHistory();

  zeldrium::TInitParam& params_;
  std::vector<std::string> history_;
  // The state to show the window in; kept apart because a hidden window has none of its own.
  zeldrium::TWindowState state_ = zeldrium::TWindowState::kNormal;

  friend class FormPlacement;
};

// The single search window while the plug-in runs; null before start and after unload.
extern TMainForm* MainForm;

#endif  // ZELDRIUM_UI_MAIN_VIEW_H_
