// The statistics window's design: its components, sizes, captions, fonts and
// which handler each event is bound to, by name. Pure data: the window reads
// it when it is built, and nothing here knows how a window is made.
#pragma once

#include <string_view>

namespace varnholt::design {

enum class Kind { Form, Panel, Button, Memo, ActionList, Action, ImageList, Query, Storage };
enum class Align { None, Bottom, Client };
// Edges a component keeps its distance to when its parent is resized.
enum Anchor : unsigned { kAnchorLeft = 1, kAnchorTop = 2, kAnchorRight = 4, kAnchorBottom = 8 };

struct Font {
  const char* face;
  int points;
  int charset;  // 0 default, 204 Cyrillic
};

struct Component {
  const char* name;
  Kind kind;
  const char* parent;  // nullptr for the form itself and non-visual components
  int left, top, width, height;
  Align align;
  unsigned anchors;
  const char* caption;
  Font font;
  const char* action;  // the action a control is bound to
};

// Events bound to handlers by name.
struct Binding {
  const char* component;
  const char* event;
  const char* handler;
};

inline constexpr const char* kFormCaption = "Varnholt";
// The window's class: the name it is registered under, and the subkey its
// placement is kept in.
inline constexpr const char* kFormClassName = "TfmMainForm";
// The form's client width as designed: its outer width of 374 less the
// 4-pixel sizeable frame of the design's own system on either side. Controls
// anchored to the right edge keep their designed distance to it.
inline constexpr int kClientWidth = 366;
inline constexpr const char* kRecalcCaption = "Recalc Statistic";

inline constexpr Component kComponents[] = {
    {"fmMainForm", Kind::Form, nullptr, 951, 164, 374, 196, Align::None,
     kAnchorLeft | kAnchorTop, kFormCaption, {"MS Sans Serif", 8, 0}, nullptr},
    {"Panel1", Kind::Panel, "fmMainForm", 0, 0, 0, 23, Align::Bottom,
     kAnchorLeft | kAnchorTop, "", {"MS Sans Serif", 8, 0}, nullptr},
    {"BitBtn1", Kind::Button, "Panel1", 233, 1, 130, 22, Align::None,
     kAnchorTop | kAnchorRight, nullptr, {"MS Sans Serif", 8, 0}, "RecalcStatistic"},
    {"myStatisticM", Kind::Memo, "fmMainForm", 0, 0, 0, 0, Align::Client,
     kAnchorLeft | kAnchorTop, "", {"Courier New", 8, 204}, nullptr},
    {"ActionList1", Kind::ActionList, nullptr, 0, 0, 0, 0, Align::None, 0, nullptr, {}, nullptr},
    {"RecalcStatistic", Kind::Action, "ActionList1", 0, 0, 0, 0, Align::None, 0, kRecalcCaption,
     {}, nullptr},
    {"ImageList1", Kind::ImageList, nullptr, 0, 0, 16, 16, Align::None, 0, nullptr, {}, nullptr},
    {"LogQuery", Kind::Query, nullptr, 0, 0, 0, 0, Align::None, 0, nullptr, {}, nullptr},
    {"FormStorage1", Kind::Storage, nullptr, 0, 0, 0, 0, Align::None, 0, nullptr, {}, nullptr},
};

inline constexpr Binding kBindings[] = {
    {"fmMainForm", "OnShow", "FormShow"},
    {"fmMainForm", "OnCloseQuery", "FormCloseQuery"},
    {"fmMainForm", "OnClose", "FormClose"},
    {"RecalcStatistic", "OnExecute", "RecalcStatisticExecute"},
};

// The component of that name. Used where a constant is required, a name the
// design lacks does not compile.
constexpr const Component& Find(std::string_view name) {
  for (const Component& c : kComponents) {
    if (name == c.name) return c;
  }
  throw "the design has no component of that name";
}

// The name of the handler bound to a component's event; "" when none is.
constexpr std::string_view BoundHandler(std::string_view component, std::string_view event) {
  for (const Binding& b : kBindings) {
    if (component == b.component && event == b.event) return b.handler;
  }
  return "";
}

}  // namespace varnholt::design
