// The drawn elements of a skinned window (caption buttons, banner tabs, the status label), where
// the caption buttons and the status label sit, and how each element's hover and pressed looks
// follow the mouse. Only elements whose look changed are redrawn, which keeps hovering from
// repainting the frame.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/dpi_scale.h"
#include "skin/hit_zones.h"

namespace velmora::skin {

enum class ElementKind { kLabel = 0, kCaptionButton = 1, kTab = 2 };

// Caption-button types; the values are also the columns' order in the frame sheet.
enum class ButtonType : int {
  kNotAButton = 0,  // labels and tabs
  kClose = 1,
  kRestore = 2,
  kMaximise = 3,
  kMinimise = 4,
  kMainMenu = 5,
  kBlank = 6,  // drawn, does nothing
  kHelp = 7,
};

struct Element {
  ElementKind kind = ElementKind::kLabel;
  ButtonType type = ButtonType::kNotAButton;
  Rect rect;  // window coordinates
  bool hovered = false;
  bool pressed = false;
  bool selected = false;  // tabs: the tab whose page is shown; clicking it again does nothing
  bool visible = true;    // hidden elements are neither drawn nor hit
  bool has_page = false;  // tabs: selecting it shows a page window
  std::string text;       // label text or tab caption (GBK); empty for caption buttons
  std::uintptr_t icon = 0;  // tabs: the 32 x 32 icon's handle
  std::uintptr_t page = 0;  // tabs: the page window's handle (it may not be a window)
  std::function<void()> handler;  // tabs: called when clicked; empty = none
};

inline constexpr int kCaptionButtonTop = 1;
inline constexpr int kCaptionButtonHeight = 19;
inline constexpr int kCloseWidth = 40;
inline constexpr int kButtonWidth = 27;

struct CaptionChoice {
  bool minimise = false;
  bool maximise = false;  // maximise and restore, which share one place
  bool main_menu = false;
  bool help = false;
  int status_height = 26;  // above 0: the window gets a status label
};

// The elements a window starts with, in this order: close, maximise, restore, minimise, main
// menu, help, status label. All sit at x 0 until LayoutCaptionButtons places them. The restore
// button starts hidden; ShowMaximised picks the visible one of the pair. The buttons' sizes are
// the design's (at 96 DPI) at `dpi`.
std::vector<Element> MakeFrameElements(const CaptionChoice& choice, Dpi dpi);

// Right to left in index order from W − 45: close (40 wide), then a 27-pixel step per button,
// except that maximise does not step, so the restore button after it takes the same place. The
// distances are the design's at `dpi`, each edge scaled from the right, so neighbours still touch.
void LayoutCaptionButtons(std::vector<Element>& elements, int window_width, Dpi dpi);

// The status label spans the status band (`status_height` already at the window's DPI), leaving
// room for the size grip on a sizable window; its margins are the design's at `dpi`.
void LayoutStatusLabel(std::vector<Element>& elements, int window_width, int window_height, int status_height,
                       bool sizable, Dpi dpi);

// Maximise visible and restore hidden for a normal window, the other way round when maximised.
void ShowMaximised(std::vector<Element>& elements, bool maximised);

// What clicking a caption button asks of the window.
enum class ButtonAction { kNothing, kClose, kRestore, kMaximise, kMinimise, kMainMenu, kHelp };
ButtonAction ActionOf(ButtonType type);

// The elements and which of them the mouse is over and pressed on (indices into `items`, −1 none).
struct ElementList {
  std::vector<Element> items;
  int hovered = -1;
  int pressed = -1;
};

// The first visible element under the point, in index order; −1 when there is none or when it is
// a label (labels, the status label among them, do not take the mouse).
int HitElement(const ElementList& list, Point point);

enum class MouseEvent { kMove, kButtonDown, kButtonUp };

struct StepResult {
  bool on_element = false;  // the event was the elements' and goes no further
  int clicked = -1;         // the element that was pressed and released on, −1 none
  std::vector<int> redraw;  // visible elements whose look changed, each once, in order of change
};

// One mouse event at a point in window coordinates. Hover follows the mouse while no element is
// held down; a click is a press and a release on the same element, except on a selected tab.
StepResult StepElements(ElementList& list, MouseEvent event, Point point);

// The mouse left the window: nothing stays pressed or hovered. Returns the elements to redraw.
std::vector<int> LeaveElements(ElementList& list);

// A click on a tab that has a page: it becomes the only selected tab. Returns the tabs to redraw.
std::vector<int> SelectTab(ElementList& list, int index);

}  // namespace velmora::skin
