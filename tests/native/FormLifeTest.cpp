// The window's life against a model of the thread it lives on: a host that
// shows, releases, closes and clicks; a queue of posted messages and a loop
// that serves it; re-scans and error boxes that serve the queue inside the
// window's own work, so that events nest as they do under Windows. After
// every step the model checks what must never happen.
#include "mainform/FormLife.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>

namespace varnholt {
namespace {

using Actions = FormLife::Actions;
using RescanEnd = FormLife::RescanEnd;

enum class Message { Release, Rescan, Click, Close, QueryEndSession, EndSession, GoOnSession };

class World {
 public:
  explicit World(unsigned seed) : random_(seed) {
    life_.Built();
    trace_ = "seed " + std::to_string(seed) + ":";
  }

  // A host's session: random events at the loop's level, then a release and
  // the loop until nothing is left to do.
  void Run(int steps) {
    for (int i = 0; i < steps && !deleted_; ++i) HostEvent(0);
    if (!deleted_ && referenced_) Call("_Release", [&] { referenced_ = false, Carry(life_.Release()); });
    for (int turn = 0; turn < 4 && !deleted_; ++turn) Turn();
    EXPECT_TRUE(deleted_) << trace_;
    EXPECT_EQ(ownerTold_, 1) << trace_;
    EXPECT_EQ(destructions_, 1) << trace_;
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  // One of the host's doings, at the loop or among messages the window's own
  // work processes (`depth` > 0).
  void HostEvent(int depth) {
    switch (Pick(depth == 0 ? 9 : 7)) {
      case 0: if (referenced_) Call("_Run", [&] { Show(depth); }); break;
      case 1: if (referenced_) Call("_Release", [&] { referenced_ = false, Carry(life_.Release()); }); break;
      case 2: Post(Message::Click); break;
      case 3: Post(Message::Close); break;
      case 4: Post(Message::QueryEndSession); break;
      case 5: Post(Pick(2) ? Message::EndSession : Message::GoOnSession); break;
      case 6: Serve(depth); break;
      case 7: Turn(); break;
      case 8: Post(Message::Release); break;  // not from a release: someone else's post
    }
  }

  template <typename F>
  void Call(const char* what, F f) {
    if (deleted_) return;
    trace_ += std::string(" ") + what;
    f();
  }

  void Post(Message m) { queue_.push_back(m); }

  // A turn of the host's loop: every message waiting, none waited for. A
  // window released while none of its work was on the stack is gone after it.
  void Turn() {
    const bool due = released_ && alive_ && frames_ == 0;
    Serve(0);
    if (due) {
      EXPECT_FALSE(alive_) << "a released window outlived a turn of the loop;" << trace_;
    }
  }

  void Serve(int depth) {
    for (std::size_t n = queue_.size(); n > 0 && !queue_.empty(); --n) {
      const Message m = queue_.front();
      queue_.pop_front();
      Dispatch(m, depth);
    }
  }

  void Dispatch(Message m, int depth) {
    if (!alive_) return;
    trace_ += " msg" + std::to_string(static_cast<int>(m));
    Begin();
    switch (m) {
      case Message::Release: {
        const Actions a = life_.ReleaseMessage();
        EXPECT_TRUE(released_ || !a.destroyNow) << "destroyed by a release message no release posted;" << trace_;
        Carry(a);
        break;
      }
      case Message::Rescan: if (life_.RescanMessage()) Rescan(depth + 1); break;
      case Message::Click: if (!disabled_) Rescan(depth + 1); break;
      case Message::Close:
        queryClosed_ = true;
        Carry(life_.RealClose());
        break;
      case Message::QueryEndSession: queryClosed_ = true; break;
      case Message::EndSession: life_.SessionEnd(true); break;
      case Message::GoOnSession: life_.SessionEnd(false); break;
    }
    End(life_.WorkEnds());
  }

  void Show(int depth) {
    if (!life_.ShowBegins(visible_)) return;
    ++frames_;
    if (Pick(4) == 0) Box(depth + 1);  // the placement's read failed
    Rescan(depth + 1);
    bool appear = false;
    --frames_;
    Carry(life_.ShowEnds(appear));
    if (appear && alive_) visible_ = true;
  }

  // RecalcStatisticExecute: messages before the action is disabled and after
  // the query is opened; a failure's box after it has ended.
  void Rescan(int depth) {
    if (!life_.RescanBegins()) return;
    ++rescans_;
    queryClosed_ = false;
    if (depth < 4) Nested(depth);
    const bool wasDisabled = disabled_;
    disabled_ = true;
    if (depth < 4) Nested(depth);
    disabled_ = wasDisabled;
    const bool failed = Pick(5) == 0;
    --rescans_;
    Carry(life_.RescanEnds(failed ? RescanEnd::Failed : queryClosed_ ? RescanEnd::CutShort : RescanEnd::Complete));
    if (failed) Box(depth);
  }

  void Box(int depth) {
    if (depth < 4) Nested(depth);
  }

  void Nested(int depth) {
    for (int i = Pick(3); i > 0 && !deleted_; --i) HostEvent(depth);
  }

  void Begin() {
    life_.WorkBegins();
    ++frames_;
  }
  void End(Actions a) {
    --frames_;
    Carry(a);
  }

  // The window carries out what its life answers, as MainForm_win does.
  void Carry(Actions a) {
    ASSERT_FALSE(deleted_) << "an event reached a deleted window;" << trace_;
    if (a.tellOwnerGone) {
      ++ownerTold_;
      referenced_ = false;
      EXPECT_EQ(ownerTold_, 1) << trace_;
    }
    if (a.discardScoring) {
      EXPECT_EQ(rescans_, 0) << "scoring state discarded under a running re-scan;" << trace_;
      EXPECT_FALSE(discarded_) << trace_;
      discarded_ = true;
    }
    if (a.postRescan) Post(Message::Rescan);
    if (a.postRelease) {
      released_ = true;
      if (Pick(6) == 0) {
        Carry(life_.PostRefused());  // the queue is full
      } else {
        Post(Message::Release);
      }
    }
    if (a.destroyNow) {
      EXPECT_TRUE(alive_) << trace_;
      // Only the release message's own frame may be under it: a re-scan or
      // box still running would find its window gone.
      EXPECT_LE(frames_, 1) << "destroyed under the window's own work;" << trace_;
      ++frames_;
      visible_ = false;
      Begin();  // WM_DESTROY: the placement is written, perhaps with an error box
      if (life_.NativeDestroy() && Pick(4) == 0) Box(1);
      End(life_.WorkEnds());
      alive_ = false;  // WM_NCDESTROY
      ++destructions_;
      Carry(life_.WindowGone());
      --frames_;
      Carry(life_.DestroyDone());
    }
    if (a.deleteObject) {
      EXPECT_EQ(frames_, 0) << "deleted with its work on the stack;" << trace_;
      EXPECT_FALSE(alive_) << trace_;
      deleted_ = true;
    }
  }

  std::mt19937 random_;
  FormLife life_;
  std::deque<Message> queue_;
  std::string trace_;
  int frames_ = 0, rescans_ = 0, ownerTold_ = 0, destructions_ = 0;
  bool referenced_ = true, visible_ = false, alive_ = true, deleted_ = false;
  bool released_ = false, discarded_ = false, disabled_ = false, queryClosed_ = false;
};

TEST(FormLifeTest, RandomLivesKeepTheirPromises) {
  for (unsigned seed = 1; seed <= 3000; ++seed) {
    World world(seed);
    world.Run(40);
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(FormLifeTest, AWindowGoneWhileBuildingIsTheConstructors) {
  FormLife life;
  const Actions a = life.WindowGone();
  EXPECT_FALSE(a.deleteObject || a.tellOwnerGone);
}

}  // namespace
}  // namespace varnholt
