// The statistics window's life, from its building to the deletion of its
// object, as one state machine: the window tells it what happened and does
// what it answers. Messages processed inside the window's own work (the
// re-scan's two points, an error box's loop) nest events inside events, so
// nothing may be torn down under work still on the stack.
//
// Stages, in order (none is ever left for an earlier one):
//   Building   the constructor runs; a native window that goes now is the
//              constructor's to clean up, never deleted here.
//   Open       built and in use: scoring, showing, re-scanning.
//   Releasing  closed for real or released: the native window goes at the
//              next turn of the loop, or once the window's work has left
//              the stack.
//   Destroying the native window is being destroyed.
//   Destroyed  the native window is gone; the object is deleted as soon as
//              none of its work is on the stack.
// Invariants, true after every event:
//   - the object is deleted once, and only with none of its work on the
//     stack (Work counts the frames: messages, the show, the destruction);
//   - the owner is told once that the window is gone, at the real close or
//     else at the deletion;
//   - the scoring state is discarded once, never under a running re-scan;
//   - the native window is destroyed at most once, and a release destroys
//     it at the first turn of the loop after the window's work has ended.
#pragma once

namespace varnholt {

class FormLife {
 public:
  enum class Stage { Building, Open, Releasing, Destroying, Destroyed };

  // What the window does after an event, in this order. `deleteObject` comes
  // last: nothing of the object may be touched after it.
  struct Actions {
    bool tellOwnerGone = false;   // the owner forgets the window
    bool discardScoring = false;  // the worked list, statistics and keys go
    bool postRescan = false;      // post the re-scan message: a re-scan is owed
    bool postRelease = false;     // post the release message; report a refusal
    bool destroyNow = false;      // destroy the native window, then DestroyDone
    bool deleteObject = false;    // delete the window object
  };

  // The constructor has finished.
  void Built();

  // A frame of the window's work begins or ends: a message it handles (all
  // but the last one, WM_NCDESTROY), or its show.
  void WorkBegins();
  Actions WorkEnds();

  // The window is to be shown. False: it is visible already or being shown
  // further up the stack, and is only raised. True: the show's frame has
  // begun and ShowEnds ends it.
  bool ShowBegins(bool visible);
  // `appear`: the window becomes visible (no close or release came meanwhile).
  Actions ShowEnds(bool& appear);

  // A re-scan is to run. False: there is no scoring state to re-scan into.
  bool RescanBegins();
  // How a re-scan ended: the log read to its end, cut short by a session-end
  // query that closed the query under it (a re-scan is then owed while the
  // window lives on), or failed (its error box is still to come).
  enum class RescanEnd { Complete, CutShort, Failed };
  Actions RescanEnds(RescanEnd end);

  // The operating system's session ends (`ending`) or goes on.
  void SessionEnd(bool ending);
  // The re-scan message arrived: true when the owed re-scan is to run now.
  bool RescanMessage() const;

  // A real close: the owner is told, the scoring state goes, and the window
  // is released.
  Actions RealClose();
  // The window is to go when the loop next runs.
  Actions Release();
  // The release message could not be posted: the thread's queue is full.
  Actions PostRefused();
  // The release message arrived: it is carried out only after a release.
  Actions ReleaseMessage();
  // DestroyNow's DestroyWindow has returned.
  Actions DestroyDone();

  // WM_DESTROY: true the first time, when the destroy handler (the
  // placement's write) is to run.
  bool NativeDestroy();
  // WM_NCDESTROY: the native window is gone.
  Actions WindowGone();

 private:
  enum class Scoring { Kept, DiscardAfterRescan, Discarded };

  Actions Idle();  // what is due once the work has ended
  Actions DestroyNow();
  void Discard(Actions& actions);

  Stage stage_ = Stage::Building;
  int work_ = 0;
  int rescans_ = 0;
  bool showing_ = false;
  bool ownerTold_ = false;
  Scoring scoring_ = Scoring::Kept;
  bool destroyWhenIdle_ = false;  // a release that could not take effect yet
  bool destroyHandled_ = false;
  bool rescanOwed_ = false;
};

}  // namespace varnholt
