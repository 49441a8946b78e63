#include "skin/caption_buttons.h"

#include <algorithm>

namespace velmora::skin {

namespace {

Element CaptionButton(ButtonType type, int width, Dpi dpi) {
  Element e;
  e.kind = ElementKind::kCaptionButton;
  e.type = type;
  e.rect = {0, Scale(kCaptionButtonTop, dpi), Scale(width, dpi), Scale(kCaptionButtonTop + kCaptionButtonHeight, dpi)};
  return e;
}

// Records a changed element once; hidden ones are not drawn, so they need no redraw.
void Touch(const ElementList& list, std::vector<int>& redraw, int index) {
  if (index < 0 || !list.items[static_cast<size_t>(index)].visible) return;
  if (std::find(redraw.begin(), redraw.end(), index) == redraw.end()) redraw.push_back(index);
}

Element& At(ElementList& list, int index) { return list.items[static_cast<size_t>(index)]; }

void MoveHover(ElementList& list, int hit, std::vector<int>& redraw) {
  if (list.hovered == hit) return;
  if (list.hovered != -1) {
    At(list, list.hovered).hovered = false;
    Touch(list, redraw, list.hovered);
  }
  list.hovered = hit;
  if (hit != -1) {
    At(list, hit).hovered = true;
    Touch(list, redraw, hit);
  }
}

}  // namespace

std::vector<Element> MakeFrameElements(const CaptionChoice& choice, Dpi dpi) {
  std::vector<Element> elements;
  elements.push_back(CaptionButton(ButtonType::kClose, kCloseWidth, dpi));
  if (choice.maximise) {
    elements.push_back(CaptionButton(ButtonType::kMaximise, kButtonWidth, dpi));
    elements.push_back(CaptionButton(ButtonType::kRestore, kButtonWidth, dpi));
    elements.back().visible = false;
  }
  if (choice.minimise) elements.push_back(CaptionButton(ButtonType::kMinimise, kButtonWidth, dpi));
  if (choice.main_menu) elements.push_back(CaptionButton(ButtonType::kMainMenu, kButtonWidth, dpi));
  if (choice.help) elements.push_back(CaptionButton(ButtonType::kHelp, kButtonWidth, dpi));
  if (choice.status_height > 0) {
    Element label;
    label.rect = {0, 1, 27, 20};
    elements.push_back(label);
  }
  return elements;
}

void LayoutCaptionButtons(std::vector<Element>& elements, int window_width, Dpi dpi) {
  // The design's distance of each button's left edge from the window's right edge.
  int from_right = 45;
  for (Element& e : elements) {
    if (e.kind != ElementKind::kCaptionButton) continue;
    const int width = e.type == ButtonType::kClose ? kCloseWidth : kButtonWidth;
    e.rect = {window_width - Scale(from_right, dpi), Scale(kCaptionButtonTop, dpi),
              window_width - Scale(from_right - width, dpi), Scale(kCaptionButtonTop + kCaptionButtonHeight, dpi)};
    if (e.type != ButtonType::kMaximise) from_right += kButtonWidth;
  }
}

void LayoutStatusLabel(std::vector<Element>& elements, int window_width, int window_height, int status_height,
                       bool sizable, Dpi dpi) {
  if (status_height <= 0) return;
  for (Element& e : elements) {
    if (e.kind != ElementKind::kLabel) continue;
    const int top = window_height - status_height - Scale(3, dpi);
    const int width = window_width - Scale(sizable ? 20 : 10, dpi);
    e.rect = {Scale(5, dpi), top, Scale(5, dpi) + width, top + status_height};
    return;
  }
}

void ShowMaximised(std::vector<Element>& elements, bool maximised) {
  for (Element& e : elements) {
    if (e.kind != ElementKind::kCaptionButton) continue;
    if (e.type == ButtonType::kMaximise) e.visible = !maximised;
    if (e.type == ButtonType::kRestore) e.visible = maximised;
  }
}

ButtonAction ActionOf(ButtonType type) {
  switch (type) {
    case ButtonType::kClose: return ButtonAction::kClose;
    case ButtonType::kRestore: return ButtonAction::kRestore;
    case ButtonType::kMaximise: return ButtonAction::kMaximise;
    case ButtonType::kMinimise: return ButtonAction::kMinimise;
    case ButtonType::kMainMenu: return ButtonAction::kMainMenu;
    case ButtonType::kHelp: return ButtonAction::kHelp;
    default: return ButtonAction::kNothing;
  }
}

int HitElement(const ElementList& list, Point point) {
  for (size_t i = 0; i < list.items.size(); ++i) {
    const Element& e = list.items[i];
    if (!e.visible || !e.rect.Contains(point)) continue;
    return e.kind == ElementKind::kLabel ? -1 : static_cast<int>(i);
  }
  return -1;
}

StepResult StepElements(ElementList& list, MouseEvent event, Point point) {
  StepResult result;
  const int hit = HitElement(list, point);
  result.on_element = hit != -1;
  switch (event) {
    case MouseEvent::kMove:
      // While a button is held down on an element, the hover stays on it.
      if (list.pressed == -1) MoveHover(list, hit, result.redraw);
      break;
    case MouseEvent::kButtonDown:
      if (list.pressed != hit) {
        if (list.pressed != -1) {
          At(list, list.pressed).pressed = false;
          Touch(list, result.redraw, list.pressed);
        }
        list.pressed = hit;
        if (hit != -1) {
          At(list, hit).pressed = true;
          Touch(list, result.redraw, hit);
        }
      }
      break;
    case MouseEvent::kButtonUp:
      if (list.pressed != -1) {
        Element& held = At(list, list.pressed);
        held.pressed = false;
        Touch(list, result.redraw, list.pressed);
        if (hit == list.pressed && !held.selected) result.clicked = hit;
        list.pressed = -1;
        MoveHover(list, hit, result.redraw);
      }
      break;
  }
  return result;
}

std::vector<int> LeaveElements(ElementList& list) {
  std::vector<int> redraw;
  if (list.pressed != -1) {
    Element& held = At(list, list.pressed);
    held.pressed = false;
    if (list.hovered == list.pressed) {
      held.hovered = false;
      list.hovered = -1;
    }
    Touch(list, redraw, list.pressed);
    list.pressed = -1;
  }
  if (list.hovered != -1) {
    At(list, list.hovered).hovered = false;
    Touch(list, redraw, list.hovered);
    list.hovered = -1;
  }
  return redraw;
}

std::vector<int> SelectTab(ElementList& list, int index) {
  std::vector<int> redraw;
  if (index < 0 || static_cast<size_t>(index) >= list.items.size()) return redraw;
  if (At(list, index).kind != ElementKind::kTab || !At(list, index).has_page) return redraw;
  for (size_t i = 0; i < list.items.size(); ++i) {
    Element& e = list.items[i];
    if (e.kind != ElementKind::kTab) continue;
    const bool want = static_cast<int>(i) == index;
    if (e.selected != want) {
      e.selected = want;
      Touch(list, redraw, static_cast<int>(i));
    }
  }
  return redraw;
}

}  // namespace velmora::skin
