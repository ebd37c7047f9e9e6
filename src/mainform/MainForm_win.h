// The statistics window, TfmMainForm: the plug-in's only window and the
// owner of all scoring state. It shows the report in a text box, offers the
// "Recalc Statistic" command, stays on top, and turns the title bar's close
// command into a minimise.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/FormEvents.h"
#include "common/Gdi_win.h"
#include "mainform/FormLayout.h"
#include "mainform/LogQuery.h"
#include "mainform/Scoring.h"
#include "placement/FormPlacement_win.h"

namespace varnholt {

class QsoRecord;

// Destroys every statistics window of this library on this thread as a
// release destroys it (the placement saved on the way out), and disarms any
// on another thread, so that no window outlives the library's code. For the
// library's unloading only: error boxes are off from then on.
void DestroyWindowsAtUnload() noexcept;
// Unregisters the window classes this library registered.
void UnregisterWindowClasses() noexcept;

class TfmMainForm {
 public:
  // Told once that the window is no longer to be used: when it is closed for
  // real, or else when it is destroyed. The owner clears its reference then.
  using GoneHandler = void (*)(TfmMainForm& form);

  // Builds the window from its design (hidden), over `qso` (CurrentQso,
  // holding the host's record): its station label names the window, its
  // log connection is attached, and the re-scan puts the log's rows into it.
  // When a step fails, nothing of the window is left and the failure is
  // rethrown.
  TfmMainForm(QsoRecord& qso, GoneHandler onGone);
  TfmMainForm(const TfmMainForm&) = delete;
  TfmMainForm& operator=(const TfmMainForm&) = delete;

  HWND Handle() const { return hwnd_; }

  // A hidden window is prepared (placement, re-scan) and then appears; a
  // visible one, even minimised, or one that is being shown (a second _Run
  // among the messages its re-scan processes) only moves to the top of the
  // window order.
  void Show();
  // Deferred destruction: the window goes when the message loop next runs
  // (or, should the thread's queue refuse the request, as soon as none of
  // its own work is on the stack).
  void Release();

  // The scoring operations the entry points use. 0 when the scoring state
  // was already discarded by a close.
  std::int32_t ScoreQso(const QsoView& qso, ScoreMode mode);
  void ShowStatistics();

 private:
  ~TfmMainForm();  // only the window's own destruction deletes it

  // Handlers bound by name from the design.
  void FormShow();
  void FormCloseQuery(bool& canClose);
  void FormClose();
  void RecalcStatisticExecute();

  void BindHandlers();
  void CreateControls();
  void Layout();
  // Fonts and glyph at the window's dpi, given to the controls.
  void MakeDpiObjects();
  // Takes the window to `dpi`, its outer rectangle to `window`.
  void Rescale(int dpi, const Rect& window);
  // Moves the window, about to appear, to where the operator can see it.
  void KeepWithinReach();
  void SetRecalcStatisticEnabled(bool enabled);
  void DiscardScoringState();
  void EnterBusy() { ++busy_; }
  void LeaveBusy();  // may delete this object
  void RequestDestruction();  // may delete this object
  void DestroyNow();          // may delete this object
  void DrawButton(const DRAWITEMSTRUCT& item);
  void SetReportText(const std::string& text);

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  HWND panel_ = nullptr;
  HWND button_ = nullptr;
  HWND memo_ = nullptr;
  // The dpi the window is laid out and drawn at.
  int dpi_ = 96;
  GdiObject<HFONT> formFont_;
  GdiObject<HFONT> memoFont_;
  GdiObject<HBITMAP> glyph_;

  QsoRecord& qso_;
  GoneHandler onGone_;

  FormEvents events_;
  // The placement store takes the place of the show, close-query and destroy
  // handlers; declared after them so that it goes first and puts them back.
  std::unique_ptr<TFormStorage> formStorage1_;
  std::function<void()> onClose_;

  // The window's one action; executing it while it is disabled does nothing.
  struct Action {
    bool enabled = true;
    std::function<void()> onExecute;
    void Execute() {
      if (enabled && onExecute) onExecute();
    }
  } RecalcStatistic;

  std::unique_ptr<ContestScore> score_;
  std::unique_ptr<LogQuery> logQuery_;

  // A close or release can arrive through messages processed while the
  // window is itself at work: the re-scan processes pending messages, and an
  // error box runs its own message loop. Neither may pull the scoring state
  // or the window from under the work on the stack, so the discard waits for
  // the outermost re-scan, and the destruction for the window to be idle.
  int rescanDepth_ = 0;
  int busy_ = 0;                 // window work on the stack, messages included
  bool discardPending_ = false;  // closed during a re-scan
  bool releasePending_ = false;  // the release message has been posted
  bool destroyPending_ = false;  // the release message came while busy
  bool deleteWhenIdle_ = false;  // the native window went while busy
  bool destroyHandled_ = false;  // the destroy handler has run
  // Set when the constructor has finished: only a whole window is deleted by
  // its native window's destruction; a failed constructor cleans up itself.
  bool built_ = false;
  bool showing_ = false;  // Show() is preparing the window
  // A session-end query closed the log query under a re-scan and the session
  // went on: the statistics are short of the log until a re-scan completes.
  bool rescanOwed_ = false;
};

}  // namespace varnholt
