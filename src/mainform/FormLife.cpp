#include "mainform/FormLife.h"

namespace varnholt {

void FormLife::Built() {
  if (stage_ == Stage::Building) stage_ = Stage::Open;
}

void FormLife::WorkBegins() { ++work_; }

FormLife::Actions FormLife::WorkEnds() {
  return --work_ == 0 ? Idle() : Actions{};
}

FormLife::Actions FormLife::Idle() {
  Actions a;
  if (stage_ == Stage::Destroyed) {
    if (!ownerTold_) ownerTold_ = a.tellOwnerGone = true;
    a.deleteObject = true;
  } else if (destroyWhenIdle_ && stage_ == Stage::Releasing) {
    // Asked again: the message is in the queue by the next turn of the loop.
    destroyWhenIdle_ = false;
    a.postRelease = true;
  }
  return a;
}

bool FormLife::ShowBegins(bool visible) {
  if (showing_ || visible) return false;
  showing_ = true;
  WorkBegins();
  return true;
}

FormLife::Actions FormLife::ShowEnds(bool& appear) {
  showing_ = false;
  appear = stage_ == Stage::Open;  // a close or release handled meanwhile leaves it hidden
  return WorkEnds();
}

bool FormLife::RescanBegins() {
  // A window on its way out re-scans nothing more: the entry points no
  // longer reach it, and its destruction is not to wait for a scan.
  if (scoring_ == Scoring::Discarded || stage_ != Stage::Open) return false;
  ++rescans_;
  return true;
}

FormLife::Actions FormLife::RescanEnds(RescanEnd end) {
  Actions a;
  if (end == RescanEnd::Complete) {
    rescanOwed_ = false;
  } else if (end == RescanEnd::CutShort && stage_ == Stage::Open && scoring_ == Scoring::Kept) {
    // Duplicates of contacts not read would go unnoticed: scan again when
    // the loop next runs, unless the session does end first.
    rescanOwed_ = a.postRescan = true;
  }
  if (--rescans_ == 0 && scoring_ == Scoring::DiscardAfterRescan) {
    scoring_ = Scoring::Discarded;
    a.discardScoring = true;
  }
  return a;
}

void FormLife::SessionEnd(bool ending) {
  if (ending) rescanOwed_ = false;  // the process ends: nothing to catch up
}

bool FormLife::RescanMessage() const { return rescanOwed_ && stage_ == Stage::Open; }

void FormLife::Discard(Actions& a) {
  if (scoring_ != Scoring::Kept) return;
  if (rescans_ > 0) {
    scoring_ = Scoring::DiscardAfterRescan;
  } else {
    scoring_ = Scoring::Discarded;
    a.discardScoring = true;
  }
}

FormLife::Actions FormLife::RealClose() {
  Actions a = Release();
  if (!ownerTold_) ownerTold_ = a.tellOwnerGone = true;
  Discard(a);
  return a;
}

FormLife::Actions FormLife::Release() {
  Actions a;
  if (stage_ != Stage::Open) return a;
  stage_ = Stage::Releasing;
  a.postRelease = true;
  return a;
}

FormLife::Actions FormLife::PostRefused() {
  // Rather than a window that never goes: it goes as soon as none of its
  // own work is on the stack.
  if (stage_ != Stage::Releasing) return {};
  if (work_ > 0) {
    destroyWhenIdle_ = true;
    return {};
  }
  return DestroyNow();
}

FormLife::Actions FormLife::ReleaseMessage() {
  if (stage_ != Stage::Releasing) return {};
  if (work_ > 1) {  // more than this message: work of the window is on the stack
    destroyWhenIdle_ = true;
    return {};
  }
  return DestroyNow();
}

FormLife::Actions FormLife::DestroyNow() {
  stage_ = Stage::Destroying;
  destroyWhenIdle_ = false;
  ++work_;  // the destruction's own frame, ended by DestroyDone
  Actions a;
  a.destroyNow = true;
  return a;
}

FormLife::Actions FormLife::DestroyDone() { return WorkEnds(); }

bool FormLife::NativeDestroy() {
  if (stage_ == Stage::Open || stage_ == Stage::Releasing) stage_ = Stage::Destroying;
  if (destroyHandled_) return false;
  destroyHandled_ = true;
  return true;
}

FormLife::Actions FormLife::WindowGone() {
  if (stage_ == Stage::Building) return {};  // the constructor cleans up
  stage_ = Stage::Destroyed;
  return work_ > 0 ? Actions{} : Idle();
}

}  // namespace varnholt
