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
#include "mainform/FormLife.h"
#include "mainform/LogQuery.h"
#include "mainform/Scoring.h"
#include "placement/FormPlacement_win.h"

namespace varnholt {

class QsoRecord;

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
  // Carries out what the window's life answered to an event; deletes this
  // object when it says so, after which nothing of it may be touched.
  void Carry(const FormLife::Actions& actions) noexcept;
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

  // Building, use and release, answered by one state machine: a close or
  // release can arrive among messages processed under the window's own work,
  // which must not lose its scoring state or its window under it.
  FormLife life_;
};

}  // namespace varnholt
