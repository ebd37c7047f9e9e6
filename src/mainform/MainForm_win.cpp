#include "mainform/MainForm_win.h"

#include <cstring>
#include <utility>
#include <vector>

#include "common/PluginError.h"
#include "common/Rect_win.h"
#include "mainform/ErrorBox_win.h"
#include "mainform/KeyCollation.h"
#include "mainform/Report.h"
#include "mainform/Rescan.h"
#include "plugin/Plugin.h"
#include "resources/MainFormDesign.h"
#include "resources/ResourceIds.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace varnholt {

namespace {

constexpr char kPanelClass[] = "TVarnholtPanel";
constexpr int kButtonId = 1;
constexpr int kMemoId = 2;
// Posted to the window to have it destroyed on the next turn of the loop.
constexpr UINT kReleaseMessage = WM_APP + 0x56;
// Posted to the window to re-scan at the next turn of the loop what an
// interrupted re-scan left short.
constexpr UINT kRescanMessage = WM_APP + 0x57;
// The title bar's close command, compared with all its bits.
constexpr WPARAM kScClose = 0xF060;
// WM_DPICHANGED: Windows 8.1 and later send it; the XP headers the library
// is built against do not know it.
constexpr UINT kWmDpiChanged = 0x02E0;

// Classes and resources belong to this library, not to the host that loaded it.
HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// The design's components, found when the library is built.
constexpr const design::Component& kForm = design::Find("fmMainForm");
constexpr const design::Component& kPanel = design::Find("Panel1");
constexpr const design::Component& kButton = design::Find("BitBtn1");
constexpr const design::Component& kMemo = design::Find("myStatisticM");
constexpr const design::Component& kButtonAction = design::Find(kButton.action);

// The handlers the design binds, checked when the library is built.
static_assert(design::BoundHandler("fmMainForm", "OnShow") == "FormShow");
static_assert(design::BoundHandler("fmMainForm", "OnCloseQuery") == "FormCloseQuery");
static_assert(design::BoundHandler("fmMainForm", "OnClose") == "FormClose");
static_assert(design::BoundHandler(kButton.action, "OnExecute") == "RecalcStatisticExecute");

// The dpi the window is drawn at: its monitor's where the host is aware of
// each monitor's own, the screen's otherwise. Looked up at run time: systems
// before the one that brought it lack the function, and the library must
// still load there.
int WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi > 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

GdiObject<HFONT> MakeFont(const design::Font& font, int dpi) {
  return GdiObject<HFONT>(CreateFontA(-MulDiv(font.points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                      static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face));
}

// The button's glyph at `dpi`: the designed image, or that image stretched
// pixel for pixel to the scaled size (no blending: its sixteen colours stay
// crisp). Without memory for the stretched one the designed one serves.
GdiObject<HBITMAP> MakeGlyph(int dpi) {
  GdiObject<HBITMAP> image(static_cast<HBITMAP>(
      LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDB_RECALC_GLYPH), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  const int size = ButtonMetricsAt(dpi).glyph;
  BITMAP designed = {};
  if (!image || !GetObjectA(image.Get(), sizeof designed, &designed) || designed.bmWidth == size) return image;
  const ScreenDc screen(GetDC(nullptr));
  GdiObject<HBITMAP> scaled(CreateCompatibleBitmap(screen.Get(), size, size));
  const MemoryDc from(CreateCompatibleDC(screen.Get())), to(CreateCompatibleDC(screen.Get()));
  if (!scaled || !from || !to) return image;
  const Selection fromImage(from.Get(), image.Get()), toScaled(to.Get(), scaled.Get());
  if (!fromImage.Selected() || !toScaled.Selected()) return image;
  SetStretchBltMode(to.Get(), COLORONCOLOR);
  if (!StretchBlt(to.Get(), 0, 0, size, size, from.Get(), 0, 0, designed.bmWidth, designed.bmHeight, SRCCOPY))
    return image;
  return scaled;
}

// Nothing may unwind through the system's enumeration: out of memory, the
// monitors found so far serve.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM monitors) noexcept {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info)) return TRUE;
  try {
    reinterpret_cast<std::vector<Monitor>*>(monitors)->push_back({RectOf(info.rcMonitor), RectOf(info.rcWork)});
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

// Registered for the rest of the process: a class is registered only once the
// library is pinned, so its procedure's code outlives it, and the next
// window finds it still there.
void RegisterOnce(const char* name, WNDPROC proc) {
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(ModuleInstance(), name, &existing)) return;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = ModuleInstance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  if (!RegisterClassExA(&wc)) throw PluginError(std::string("Cannot register window class ") + name);
}

// Processes every message waiting in the thread's queue, without waiting for
// new ones. A quit request belongs to the host's own loop: it is posted again
// so that the host still sees it, and processing stops there. A host
// handler may unload the library in here: it is pinned (DoMain_win.cpp).
void ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

TfmMainForm::TfmMainForm(QsoRecord& qso, GoneHandler onGone) : qso_(qso), onGone_(onGone) {
  // Build the designed window, hidden.
  RegisterOnce(design::kFormClassName, FormProc);
  RegisterOnce(kPanelClass, PanelProc);
  dpi_ = ScreenDpi();
  const Rect designed = DesignedWindowRect(dpi_);
  hwnd_ = CreateWindowExA(WS_EX_TOPMOST, design::kFormClassName, kForm.caption,
                          WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX,
                          designed.left, designed.top, designed.Width(), designed.Height(), nullptr, nullptr,
                          ModuleInstance(), this);
  if (hwnd_ == nullptr) throw PluginError("Cannot create the statistics window");
  // The native window deletes this object when it is destroyed, but only
  // once it is whole (built_); until then a failure takes the window down
  // here and leaves the object to the unwinding.
  try {
    CreateControls();
    // A host aware of each monitor's dpi may have the window on a monitor
    // scaled otherwise than the screen as a whole.
    if (const int dpi = WindowDpi(hwnd_); dpi != dpi_) Rescale(dpi, DesignedWindowRect(dpi));
    BindHandlers();
    formStorage1_ = MakeFormStorage1();
    formStorage1_->Attach(events_, hwnd_, design::kFormClassName, ShowErrorBox);

    const std::string caption = std::string(qso_.Text(QsoField::StationLabel)) + " in " + design::kFormCaption;
    SetWindowTextA(hwnd_, caption.c_str());
    score_ = std::make_unique<ContestScore>(SystemKeyCollation());
    logQuery_ = std::make_unique<LogQuery>(qso_.LogConnection());
  } catch (...) {
    // Unbound first, so that its destruction reaches none of the handlers of
    // this half-built object and does not delete it: the unwinding that
    // follows frees its members, and _Run's new-expression its memory.
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    throw;
  }
  life_.Built();
}

// The owner was told by then: at the real close, or on the way here.
TfmMainForm::~TfmMainForm() = default;

void TfmMainForm::CreateControls() {
  panel_ = CreateWindowExA(0, kPanelClass, kPanel.caption, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                           0, 0, 0, kPanel.height, hwnd_, nullptr, ModuleInstance(), nullptr);
  button_ = CreateWindowExA(0, "BUTTON", kButtonAction.caption,
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_OWNERDRAW,
                            kButton.left, kButton.top, kButton.width, kButton.height, panel_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                            ModuleInstance(), nullptr);
  memo_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", kMemo.caption,
                          WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
                              ES_WANTRETURN,
                          0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMemoId)),
                          ModuleInstance(), nullptr);
  if (!panel_ || !button_ || !memo_) throw PluginError("Cannot create the statistics window's controls");
  MakeDpiObjects();
  Layout();
}

void TfmMainForm::MakeDpiObjects() {
  // The controls are given the new fonts before the old ones go.
  GdiObject<HFONT> formFont = MakeFont(kForm.font, dpi_);
  GdiObject<HFONT> memoFont = MakeFont(kMemo.font, dpi_);
  SendMessageA(button_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont.Get()), FALSE);
  SendMessageA(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(memoFont.Get()), TRUE);
  formFont_ = std::move(formFont);
  memoFont_ = std::move(memoFont);
  glyph_ = MakeGlyph(dpi_);
}

void TfmMainForm::Rescale(int dpi, const Rect& window) {
  dpi_ = dpi;
  MakeDpiObjects();
  SetWindowPos(hwnd_, nullptr, window.left, window.top, window.Width(), window.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();  // also when the size stayed the same
}

void TfmMainForm::KeepWithinReach() {
  if (IsZoomed(hwnd_) || IsIconic(hwnd_)) return;  // a maximised window fills its monitor
  RECT window = {};
  POINT client = {0, 0};
  if (!GetWindowRect(hwnd_, &window) || !ClientToScreen(hwnd_, &client)) return;
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  const PlacedBy placedBy =
      formStorage1_ && formStorage1_->PositionApplied() ? PlacedBy::Operator : PlacedBy::Design;
  const Rect reach = WithinReach(RectOf(window), client.y - window.top, placedBy, monitors);
  if (reach.left != window.left || reach.top != window.top)
    SetWindowPos(hwnd_, nullptr, reach.left, reach.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfmMainForm::BindHandlers() {
  // As the design binds them (checked above, when the library is built).
  events_.OnShow = [this] { FormShow(); };
  events_.OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
  onClose_ = [this] { FormClose(); };
  RecalcStatistic.onExecute = [this] { RecalcStatisticExecute(); };
}

void TfmMainForm::Layout() {
  // Placed as the design aligns and anchors them: the panel along the
  // bottom, the report box filling the rest, the button at the panel's right
  // edge when it is anchored there, at its designed distance from it. That
  // distance comes from the designed client width, not from the client width
  // at run time, which a thicker frame than the design's makes narrower.
  RECT client = {};
  GetClientRect(hwnd_, &client);
  const ControlRects r = LayOutControls(dpi_, client.right, client.bottom);
  auto move = [](HWND control, const Rect& to) { MoveWindow(control, to.left, to.top, to.Width(), to.Height(), TRUE); };
  move(panel_, r.panel);
  if (kMemo.align == design::Align::Client) move(memo_, r.memo);
  move(button_, r.button);
}

void TfmMainForm::Show() {
  if (!life_.ShowBegins(IsWindowVisible(hwnd_) != FALSE)) {
    // Already shown, perhaps minimised, or being shown further up the stack:
    // only to the top of the window order.
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return;
  }
  if (events_.OnShow) ReportingFailures(events_.OnShow);
  bool appear = false;
  const FormLife::Actions after = life_.ShowEnds(appear);
  if (appear) {  // no close or release came meanwhile
    KeepWithinReach();
    ShowWindow(hwnd_, SW_SHOW);
  }
  Carry(after);  // may delete the window object
}

void TfmMainForm::Release() { Carry(life_.Release()); }

void TfmMainForm::Carry(const FormLife::Actions& a) noexcept {
  if (a.tellOwnerGone && onGone_) onGone_(*this);
  if (a.discardScoring) score_.reset();
  // Refused, the re-scan stays owed until the next one completes.
  if (a.postRescan) PostMessageA(hwnd_, kRescanMessage, 0, 0);
  if (a.postRelease && !PostMessageA(hwnd_, kReleaseMessage, 0, 0)) Carry(life_.PostRefused());
  if (a.destroyNow) {
    ShowWindow(hwnd_, SW_HIDE);
    DestroyWindow(hwnd_);
    Carry(life_.DestroyDone());
  }
  if (a.deleteObject) delete this;  // the one place the window object goes
}

std::int32_t TfmMainForm::ScoreQso(const QsoView& qso, ScoreMode mode) {
  return score_ ? score_->ScoreQso(qso, mode) : 0;
}

void TfmMainForm::ShowStatistics() {
  SetReportText(score_ ? StatisticsText(score_->BandStatistics()) : std::string());
}

void TfmMainForm::SetReportText(const std::string& text) {
  // Out of memory, the box keeps its old text: a report that no longer
  // matches the tally must not pass for the claimed score unseen.
  if (!SetWindowTextA(memo_, text.c_str())) throw PluginError("Cannot show the statistics report");
}

void TfmMainForm::SetRecalcStatisticEnabled(bool enabled) {
  RecalcStatistic.enabled = enabled;
  EnableWindow(button_, enabled ? TRUE : FALSE);
}

void TfmMainForm::FormShow() { RecalcStatistic.Execute(); }

void TfmMainForm::FormCloseQuery(bool& canClose) {
  if (logQuery_) logQuery_->Close();
  canClose = true;
}

// From now on the entry points behave as with no window; the scoring state
// goes once no re-scan runs.
void TfmMainForm::FormClose() { Carry(life_.RealClose()); }

void TfmMainForm::RecalcStatisticExecute() {
  if (!logQuery_ || !life_.RescanBegins()) return;
  // Told on every way out, a failure's too: its error box comes after.
  struct Ending {
    TfmMainForm& form;
    FormLife::RescanEnd end = FormLife::RescanEnd::Failed;
    ~Ending() { form.Carry(form.life_.RescanEnds(end)); }
  } ending{*this};
  RescanContext context{*score_,
                        qso_,
                        *logQuery_,
                        ProcessMessages,
                        [this] { SetReportText(""); },
                        [this](const std::string& text) { SetReportText(text); },
                        [this](bool enabled) { SetRecalcStatisticEnabled(enabled); }};
  ending.end = varnholt::RecalcStatisticExecute(context) ? FormLife::RescanEnd::Complete : FormLife::RescanEnd::CutShort;
}

void TfmMainForm::DrawButton(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  char caption[64] = {};
  GetWindowTextA(button_, caption, sizeof caption);
  HGDIOBJ oldFont = SelectObject(dc, formFont_.Get());
  SIZE text = {};
  GetTextExtentPoint32A(dc, caption, static_cast<int>(std::strlen(caption)), &text);
  const ButtonMetrics metrics = ButtonMetricsAt(dpi_);
  const int glyph = metrics.glyph;
  const int shift = pushed ? ScaleToDpi(1, dpi_) : 0;
  int x = r.left + (r.right - r.left - (glyph + metrics.spacing + text.cx)) / 2 + shift;
  const int glyphTop = r.top + (r.bottom - r.top - glyph) / 2 + shift;
  if (glyph_) {
    DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(glyph_.Get()), 0, x, glyphTop, glyph, glyph,
               DST_BITMAP | (disabled ? DSS_DISABLED : DSS_NORMAL));
  }
  x += glyph + metrics.spacing;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  RECT textRect = {x, r.top + shift, r.right, r.bottom + shift};
  DrawTextA(dc, caption, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -metrics.focusInset, -metrics.focusInset);
    DrawFocusRect(dc, &focus);
  }
}

LRESULT TfmMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case kWmDpiChanged:
      // Only a host aware of each monitor's dpi gets this, when the window
      // moves to a monitor scaled otherwise: the system suggests where.
      Rescale(HIWORD(wParam), RectOf(*reinterpret_cast<const RECT*>(lParam)));
      return 0;
    case WM_SYSCOMMAND:
      // The title bar's close button minimises: the window keeps scoring.
      if (wParam == kScClose) {
        ShowWindow(hwnd_, SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_CLOSE: {
      bool canClose = true;
      if (events_.OnCloseQuery) ReportingFailures([&] { events_.OnCloseQuery(canClose); });
      if (canClose) {
        if (onClose_) ReportingFailures(onClose_);
        ShowWindow(hwnd_, SW_HIDE);
      }
      return 0;
    }
    case WM_QUERYENDSESSION: {
      bool canClose = true;
      if (events_.OnCloseQuery) ReportingFailures([&] { events_.OnCloseQuery(canClose); });
      return TRUE;
    }
    case WM_ENDSESSION:
      life_.SessionEnd(wParam != FALSE);
      return 0;
    case kRescanMessage:
      // Executing the action while a re-scan runs does nothing; that re-scan
      // settles what is owed when it completes.
      if (life_.RescanMessage()) ReportingFailures([this] { RecalcStatistic.Execute(); });
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
        ReportingFailures([this] { RecalcStatistic.Execute(); });
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem == button_) {
        DrawButton(*item);
        return TRUE;
      }
      break;
    }
    case kReleaseMessage:
      Carry(life_.ReleaseMessage());
      return 0;
    case WM_DESTROY:
      if (life_.NativeDestroy() && events_.OnDestroy) ReportingFailures(events_.OnDestroy);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TfmMainForm::FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = static_cast<TfmMainForm*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TfmMainForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->Carry(self->life_.WindowGone());  // may delete the window object
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  self->life_.WorkBegins();
  LRESULT result = 0;
  try {
    result = self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's message dispatch.
  }
  self->Carry(self->life_.WorkEnds());  // may delete the window object
  return result;
}

LRESULT CALLBACK TfmMainForm::PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The panel only carries the button: its notices go to the form.
  if (message == WM_COMMAND || message == WM_DRAWITEM)
    return SendMessageA(GetParent(hwnd), message, wParam, lParam);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace varnholt
