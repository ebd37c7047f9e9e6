// Every call the plug-in makes at its operating-system boundary, made to fail
// once, in the main scenes of a contest. Each scene runs once to count its
// calls, then once per call with that call failing. The counting run must
// show that it did its work: each window shown with its report, each
// function the scene needs called. Every run must end with the host alive (a
// crash or a hang ends this program with the run named), every heap of the
// process valid, nothing of the plug-in held once its window is gone, and
// either what the run without a fault gave or an error box with a text.
//
// VARNHOLT_FAULTS=all fails every call of every scene; by default a scene
// with many calls has a fixed-seed sample of them failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "HostFixture.h"
#include "ImportFaults.h"
#include "logfiles/ContactFile.h"

namespace {

namespace faults = host::faults;

constexpr std::size_t kSampled = 40;      // failed calls per scene by default
constexpr unsigned kSeed = 20261208;      // which ones
constexpr int kHangSeconds = 60;          // one run longer than this is a hang
// The real log's first contacts: enough for every band and many multipliers,
// few enough for a scan per failed call under Wine's heap checking.
constexpr std::size_t kRealLogContacts = 600;

char where[512] = "starting";
volatile LONG heartbeat = 0;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "CRASH: exception %08lx at %p, in %s (%s)\n", info->ExceptionRecord->ExceptionCode,
               info->ExceptionRecord->ExceptionAddress, where, faults::Failed().c_str());
  std::fflush(stderr);
  ExitProcess(3);
}

DWORD WINAPI Watchdog(void*) {
  LONG last = -1;
  int still = 0;
  for (;;) {
    Sleep(1000);
    const LONG now = heartbeat;
    still = now == last ? still + 1 : 0;
    last = now;
    if (still >= kHangSeconds) {
      std::fprintf(stderr, "HANG: no progress for %d s, in %s (%s)\n", kHangSeconds, where, faults::Failed().c_str());
      std::fflush(stderr);
      ExitProcess(4);
    }
  }
}

using host::FormWindows;
using host::HeapsValid;

std::vector<long> CallsToFail(long calls) {
  std::vector<long> all;
  for (long n = 1; n <= calls; ++n) all.push_back(n);
  const char* mode = std::getenv("VARNHOLT_FAULTS");
  if ((mode && std::string(mode) == "all") || all.size() <= kSampled) return all;
  std::vector<long> some{1, calls};
  std::mt19937 random(kSeed);
  std::sample(all.begin() + 1, all.end() - 1, std::back_inserter(some), kSampled - 2, random);
  std::sort(some.begin(), some.end());
  return some;
}

struct Scene {
  const char* name;
  // The functions the action calls without a fault, each at least once (none
  // for an action that need call none).
  std::vector<std::string> calls;
  // The contacts in the report of the window the action leaves shown without
  // a fault; -1 when it ends the window.
  int shownTotal;
  std::function<void()> setup;          // not counted
  std::function<void()> action;         // counted
  std::function<std::string()> answer;  // what the host sees afterwards
  bool unloads = false;                 // the action unloads the plug-in
  // A placement store that cannot find the host's file name or reach its
  // key path reads the defaults and writes nothing, without a box: the
  // placement is lost, the window is not.
  bool placementMayBeLost = false;
};

class Faults : public host::HostFixture {
 protected:
  static void SetUpTestSuite() {
    SetUnhandledExceptionFilter(ReportCrash);
    CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
  }

  void SetUp() override {
    HostFixture::SetUp();
    ASSERT_GT(faults::Install(plugin.module), 20);
    for (int i = 0; i < 3; ++i) db.Insert("UR" + std::to_string(i) + "AA", "20M", "CW", "599 000" + std::to_string(i + 1), "UR");
  }

  // Ends whatever the scene left: the window released and destroyed, the
  // library loaded again after an unload.
  void Settle(const Scene& scene) {
    if (scene.unloads) {
      host::LoadPlugin();
      faults::Install(plugin.module);
    }
    plugin.Release();
    host::PumpUntil([] { return FormWindows() == 0; });
    host::PumpMessages();
  }

  void Inject(const Scene& scene) {
    InterlockedIncrement(&heartbeat);
    const DWORD start = GetTickCount();
    std::snprintf(where, sizeof where, "%s, counting", scene.name);
    boxes.Forget();
    scene.setup();
    faults::Arm(0);
    scene.action();
    faults::Disarm();
    const long calls = faults::Calls();
    const std::string expected = scene.answer();
    const auto shown = scene.shownTotal < 0 ? ::testing::AssertionSuccess() : Shown(Form(), scene.shownTotal);
    Settle(scene);
    ASSERT_TRUE(shown);
    for (const std::string& function : scene.calls)
      ASSERT_GT(faults::Calls(function), 0) << scene.name << ": " << function << " never called";
    ASSERT_TRUE(boxes.Seen().empty()) << scene.name << ": " << boxes.Seen()[0].text;
    ASSERT_TRUE(faults::Held().empty()) << scene.name << ": " << faults::Held()[0];

    int sameAnswer = 0, boxed = 0, silent = 0;
    const std::vector<long> failing = CallsToFail(calls);
    for (long n : failing) {
      InterlockedIncrement(&heartbeat);
      std::snprintf(where, sizeof where, "%s, call %ld of %ld failing", scene.name, n, calls);
      boxes.Forget();
      scene.setup();
      faults::Arm(n);
      scene.action();
      faults::Disarm();
      const std::string failed = faults::Failed();
      std::snprintf(where, sizeof where, "%s, call %ld of %ld (%s) failed", scene.name, n, calls, failed.c_str());
      const std::string answer = scene.answer();
      Settle(scene);

      SCOPED_TRACE(where);
      EXPECT_EQ(FormWindows(), 0);
      EXPECT_TRUE(HeapsValid());
      const std::vector<std::string> held = faults::Held();
      EXPECT_TRUE(held.empty()) << held.front();
      DestroyLeftovers();
      for (const auto& box : boxes.Seen()) EXPECT_FALSE(box.text.empty());
      if (answer == expected) {
        ++sameAnswer;
      } else if (!boxes.Seen().empty()) {
        ++boxed;
      } else {
        ++silent;
        // Only the box itself, the placement's key path, or the library's pin
        // may fail unseen: without the pin no window is built, and no box
        // may be shown either (DoMain_win.cpp).
        const bool keyPath = failed == "GetModuleFileNameA" || failed == "RegCreateKeyExA";
        EXPECT_TRUE(failed == "MessageBoxA" || failed == "GetModuleHandleExA" ||
                    (keyPath && scene.placementMayBeLost))
            << "answered\n" << answer << "\ninstead of\n" << expected;
      }
    }
    std::printf("faults: %-34s %5ld calls, %3zu failed one at a time: %d same answer, %d error box,"
                " %d unseen; %lu ms\n",
                scene.name, calls, failing.size(), sameAnswer, boxed, silent, GetTickCount() - start);
  }

  // A window a failed run left behind would answer for the next runs.
  static void DestroyLeftovers() {
    while (const HWND form = FindWindowA("TfmMainForm", nullptr)) DestroyWindow(form);
  }

  std::string WindowState() {
    const HWND form = FindWindowA("TfmMainForm", nullptr);
    if (form == nullptr) return "no window";
    return std::string(IsWindowVisible(form) ? "visible" : "hidden") + (IsIconic(form) ? " minimised" : "") +
           "\n" + Report(form);
  }

  HWND Form() { return FindWindowA("TfmMainForm", nullptr); }
  // Whether `form` was built and is shown, with the report of `contacts`
  // contacts.
  static ::testing::AssertionResult Shown(HWND form, int contacts) {
    char total[32];
    std::snprintf(total, sizeof total, "Total\t%6d\t", contacts);
    if (IsWindowVisible(form) && Report(form).find(total) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << where << ": no window shown with \"" << total << "\" in its report"
                                         << (IsWindow(form) ? "; it shows\n" + Report(form) : "");
  }
  // The setup of a scene that works on the window: the SetUp's log in it.
  void RunShown() { EXPECT_TRUE(Shown(Run(), 3)); }
  void Pump() { host::PumpUntil([] { return false; }, 50); }

  std::string result;
};

// What scenes call without a fault: the log scanned into the report; the
// library pinned, the window built and its report scanned; the window ended
// (its release posted, its fonts deleted, its placement saved).
const std::vector<std::string> kScans{"SQLAllocHandle", "SQLExecDirect", "SQLFetch", "SQLFreeHandle",
                                      "SetWindowTextA"};
const std::vector<std::string> kBuildsAndScans{"GetModuleHandleExA", "CreateWindowExA", "CreateFontA",
                                               "SQLAllocHandle",     "SQLExecDirect",   "SQLFetch",
                                               "SQLFreeHandle",      "SetWindowTextA"};
const std::vector<std::string> kEnds{"PostMessageA", "DeleteObject", "RegSetValueExA"};

TEST_F(Faults, RunOnAnEmptyLogForTheFirstTime) {
  db.Execute("DELETE FROM Log");
  Inject({"_Run, empty log, first run", kBuildsAndScans, 0, [] { host::ForgetPlacement(); },
          [this] { Run(); }, [this] { return WindowState(); }});
}

// Puts a log's contacts into the host's log table as they are read: under
// Wine's heap checking every allocation walks the heap, so few are kept.
class LogTableFiller : public varnholt::ContactSink {
 public:
  explicit LogTableFiller(host::LogDatabase& db) : db_(db) {}
  void Station(const std::string&, const std::string&) override {}
  void Add(const varnholt::Contact& c, int) override {
    if (added_++ < kRealLogContacts) db_.Insert(c.callSign, c.band, c.mode, c.report, c.dxccPrefix);
  }
  void BadLine(const varnholt::LogLineError&) override {}

 private:
  host::LogDatabase& db_;
  std::size_t added_ = 0;
};

TEST_F(Faults, RunOnARealLogWithAStoredPlacement) {
  std::snprintf(where, sizeof where, "loading the real log");
  LogTableFiller filler(db);
  db.Execute("BEGIN");
  varnholt::ReadLog(varnholt::ReadWholeFile(VARNHOLT_REAL_LOG), varnholt::LogFormat::Cabrillo, filler);
  db.Execute("COMMIT");
  Run();
  host::ReleaseAndSettle();  // leaves a placement behind
  std::vector<std::string> readsPlacement = kBuildsAndScans;
  readsPlacement.push_back("RegQueryValueExA");
  Inject({"_Run, real log, stored placement", readsPlacement, 602, [] {}, [this] { Run(); },
          [this] { return WindowState(); }});
}

TEST_F(Faults, ScoringCalls) {
  Inject({"_GetScore", {}, 3, [this] { RunShown(); },
          [this] {
            host::Record r = HostRecord();
            r.Contact("UR5ABC", "15M", "CW", "599 1234", "UR");
            result = std::to_string(plugin.GetScore(r.data()));
          },
          [this] { return result + "\n" + WindowState(); }});
  Inject({"_AddQSO", {"SetWindowTextA"}, 4, [this] { RunShown(); },
          [this] { result = std::to_string(Add("UR5ABC", "15M", "599 1234")); },
          [this] { return result + "\n" + WindowState(); }});
  Inject({"_AddQSO of a duplicate", {}, 3, [this] { RunShown(); }, [this] { result = std::to_string(Add("UR1AA")); },
          [this] { return result + "\n" + WindowState(); }});
}

TEST_F(Faults, WindowCommands) {
  Inject({"Recalc Statistic", kScans, 3, [this] { RunShown(); },
          [this] { SendMessageA(host::RecalcButton(Form()), BM_CLICK, 0, 0); }, [this] { return WindowState(); }});
  Inject({"close button", {}, 3, [this] { RunShown(); },
          [this] { SendMessageA(Form(), WM_SYSCOMMAND, 0xF060, 0); },
          [this] { return WindowState() + "\n" + std::to_string(Add("UR1AA")); }});
  Inject({"WM_CLOSE", kEnds, -1, [this] { RunShown(); },
          [this] {
            SendMessageA(Form(), WM_CLOSE, 0, 0);
            host::PumpUntil([] { return FormWindows() == 0; });
          },
          [this] { return WindowState() + "\n" + std::to_string(Add("UR1AA")) + host::StoredPlacementText("Visible"); },
          false, true});
  Inject({"session-end query", {"RegSetValueExA"}, 3, [this] { RunShown(); },
          [this] {
            result = std::to_string(SendMessageA(Form(), WM_QUERYENDSESSION, 0, 0));
            Pump();
          },
          [this] { return result + WindowState() + "\n" + std::to_string(Add("UR1AA")); }});
}

TEST_F(Faults, Releases) {
  Inject({"_Release with the loop", kEnds, -1, [this] { RunShown(); },
          [this] {
            plugin.Release();
            host::PumpUntil([] { return FormWindows() == 0; });
          },
          [this] { return WindowState() + "\n" + host::StoredPlacementText("Visible"); }, false, true});
  Inject({"_Release then FreeLibrary", kEnds, -1, [this] { RunShown(); },
          [this] {
            plugin.Release();
            host::UnloadPlugin();
            Pump();
          },
          [this] { return WindowState() + "\n" + host::StoredPlacementText("Visible"); }, true, true});
}

}  // namespace
