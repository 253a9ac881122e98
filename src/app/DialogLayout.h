// The dialogs' layouts as data: one row per control, in tab order, with the
// rectangle in dialog units. BuildDialog turns a table into widgets, so the
// tables can be checked line by line and the code stays free of coordinates.
#pragma once

#include <span>
#include <vector>

#include <QFont>
#include <QRect>

class QWidget;

namespace verdo::app {

enum class ControlKind {
  Label,  // static text
  Edit,   // single-line edit, horizontal scrolling
  ReadOnlyEdit,
  RadioButton,
  CheckBox,
  PushButton,
  DefaultPushButton,
  GroupBox,
  Picture,  // the product logo
  Icon,     // the program icon
};

// Static items (labels, group boxes, pictures) have no id of their own.
inline constexpr int kStaticId = -1;

struct DialogItem {
  int Id;
  ControlKind Kind;
  const char* Text;         // label or caption; for pictures and icons the resource path
  int X, Y, Width, Height;  // dialog units
  const char* Group;        // the group box it sits in, or "" for none
};

struct DialogTemplate {
  const char* Caption;
  int Width, Height;                  // client area, dialog units
  std::span<const DialogItem> Items;  // tab order
};

// Dialog 102, the main window.
const DialogTemplate& MainDialogLayout();
// Dialog 100, the About box.
const DialogTemplate& AboutDialogLayout();

// Dialog units to pixels with a font's metrics, as the original platform does
// it: one horizontal unit is a quarter of the average character width (the
// width of "A".."Z""a".."z" over 52, rounded), one vertical unit an eighth of
// the character height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseWidth, int baseHeight) : BaseWidth(baseWidth), BaseHeight(baseHeight) {}
  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const;

  int BaseWidth;   // average character width, pixels
  int BaseHeight;  // character height, pixels
};

// The font a dialog of `layout` is laid out with where `room` (pixels) is
// what it may take: `font` itself when the dialog fits, else the largest
// smaller size of it (in half points, or pixels for a font set in pixels) at
// which it does.
QFont FontThatFits(const QFont& font, const DialogTemplate& layout, QSize room);

// Room the window manager's frame takes around a window, at most.
inline constexpr QSize kFrameRoom{16, 48};

// Creates every item of the table as a child of the dialog, places it, names
// it after its id ("1010"), sets the tab order to the table's order and the
// dialog's fixed client size. A dialog that would be larger than its
// screen's available area takes the font of FontThatFits first, so it can
// always be seen whole. Returns the widgets in table order.
std::vector<QWidget*> BuildDialog(QWidget& dialog, const DialogTemplate& layout);

}  // namespace verdo::app
