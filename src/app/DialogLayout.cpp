#include "app/DialogLayout.h"

#include <array>
#include <string_view>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

#include "app/FieldEdit.h"
#include "core/form/ControlIds.h"

namespace verdo::app {
namespace {

using Kind = ControlKind;

// A label "above" its edit box sits in the 8 units just over it.
constexpr DialogItem Above(const char* text, int x, int y, int width, const char* group = "") {
  return {kStaticId, Kind::Label, text, x, y - 9, width, 8, group};
}

constexpr DialogItem Keyword(int n) {
  constexpr int rows[] = {63, 83, 103, 123};
  constexpr int columns[] = {10, 90, 180, 270};
  return {control::Keyword(n), Kind::Edit, "", columns[(n - 1) % 4], rows[(n - 1) / 4], 60, 14, "Keywords"};
}

// Dialog 102. Labels come just before their edit box; the group boxes and the
// logo, which take no focus, come last and are drawn beneath the controls.
constexpr std::array kMainItems = {
    Above("Title", 10, 10, 320),
    DialogItem{control::Title, Kind::Edit, "", 10, 10, 320, 14, ""},
    Above("Description", 10, 34, 320),
    DialogItem{control::Description, Kind::Edit, "", 10, 34, 320, 17, ""},
    // clang-format off
    Keyword(1), Keyword(2), Keyword(3), Keyword(4),
    Keyword(5), Keyword(6), Keyword(7), Keyword(8),
    Keyword(9), Keyword(10), Keyword(11), Keyword(12),
    Keyword(13), Keyword(14), Keyword(15), Keyword(16),
    // clang-format on
    Above("Extra Keywords (Separate with a comma)", 10, 151, 320, "Keywords"),
    DialogItem{control::ExtraKeywords, Kind::Edit, "", 10, 151, 320, 14, "Keywords"},
    Above("Author", 10, 206, 145),
    DialogItem{control::Author, Kind::Edit, "", 10, 206, 145, 14, ""},
    Above("Copyright Information", 165, 206, 165),
    DialogItem{control::Copyright, Kind::Edit, "", 165, 206, 165, 14, ""},
    Above("Expires", 10, 233, 320),
    DialogItem{control::Expires, Kind::Edit, "", 10, 233, 320, 14, ""},
    Above("Redirect URL", 10, 260, 320),
    DialogItem{control::RedirectUrl, Kind::Edit, "", 10, 260, 320, 14, ""},
    DialogItem{control::Global, Kind::RadioButton, "Global", 20, 288, 36, 10, "Distribution"},
    DialogItem{control::Local, Kind::RadioButton, "Local", 20, 302, 33, 10, "Distribution"},
    DialogItem{control::Revisit, Kind::CheckBox, "Revisit", 85, 287, 37, 10, "Robots"},
    DialogItem{control::NoCache, Kind::CheckBox, "No Cache", 85, 302, 48, 10, "Robots"},
    DialogItem{control::NoIndex, Kind::CheckBox, "No Index", 155, 287, 45, 10, "Robots"},
    DialogItem{control::NoImageIndex, Kind::CheckBox, "No Image Index", 155, 303, 66, 10, "Robots"},
    DialogItem{control::IndexAll, Kind::CheckBox, "Index All", 240, 288, 43, 10, "Robots"},
    DialogItem{control::Load, Kind::PushButton, "Load", 348, 69, 50, 14, "Template"},
    DialogItem{control::Save, Kind::PushButton, "Save", 348, 83, 50, 14, "Template"},
    DialogItem{control::Export, Kind::PushButton, "Export", 348, 120, 50, 14, "HTML"},
    DialogItem{control::Import, Kind::PushButton, "Import", 348, 134, 50, 14, "HTML"},
    DialogItem{control::Generate, Kind::PushButton, "Generate", 349, 169, 50, 14, "Trap Page"},
    DialogItem{control::TrapPreview, Kind::PushButton, "Preview", 349, 183, 50, 14, "Trap Page"},
    DialogItem{control::Totals, Kind::PushButton, "Totals", 348, 226, 50, 14, "Utils"},
    DialogItem{control::Preview, Kind::PushButton, "Preview", 348, 240, 50, 14, "Utils"},
    DialogItem{control::ClearAll, Kind::PushButton, "Clear All", 348, 254, 50, 14, "Utils"},
    DialogItem{control::Help, Kind::PushButton, "&Help", 348, 301, 50, 14, ""},
    DialogItem{control::Exit, Kind::PushButton, "Exit", 348, 315, 50, 14, ""},
    DialogItem{control::Uppercase, Kind::PushButton, "UPPERCASE", 11, 173, 50, 14, "Keywords"},
    DialogItem{control::Lowercase, Kind::PushButton, "lowercase", 64, 173, 50, 14, "Keywords"},
    DialogItem{control::Randomize, Kind::PushButton, "Randomize", 225, 173, 50, 14, "Keywords"},
    DialogItem{control::FirstCapitol, Kind::PushButton, "First Capitol", 118, 173, 50, 14, "Keywords"},
    DialogItem{control::Reverse, Kind::PushButton, "Reverse", 171, 173, 50, 14, "Keywords"},
    DialogItem{control::ClearKeywords, Kind::PushButton, "Clear Keywords", 279, 173, 50, 14, "Keywords"},
    DialogItem{kStaticId, Kind::Label, "Status", 340, 40, 22, 8, ""},
    DialogItem{control::Status, Kind::ReadOnlyEdit, "", 364, 37, 40, 14, ""},
    DialogItem{kStaticId, Kind::GroupBox, "Keywords", 5, 53, 330, 140, ""},
    DialogItem{kStaticId, Kind::GroupBox, "Distribution", 10, 277, 55, 40, ""},
    DialogItem{kStaticId, Kind::GroupBox, "Robots", 75, 277, 220, 40, ""},
    DialogItem{kStaticId, Kind::GroupBox, "Template", 340, 55, 65, 50, ""},
    DialogItem{kStaticId, Kind::GroupBox, "HTML", 340, 109, 65, 45, ""},
    DialogItem{kStaticId, Kind::GroupBox, "Trap Page", 340, 158, 65, 47, ""},
    DialogItem{kStaticId, Kind::GroupBox, "Utils", 340, 215, 65, 60, ""},
    DialogItem{kStaticId, Kind::Picture, ":/verdo/logo.svg", 335, 10, 69, 20, ""},
};

// Dialog 100.
constexpr std::array kAboutItems = {
    DialogItem{kStaticId, Kind::Icon, ":/verdo/verdo.svg", 11, 14, 21, 20, ""},
    DialogItem{kStaticId, Kind::Label, "Verdo Version 1.0", 40, 11, 119, 8, ""},
    DialogItem{kStaticId, Kind::Label, "By the Verdo authors", 39, 24, 90, 8, ""},
    DialogItem{kStaticId, Kind::Label, "\xC2\xA9 2000-2026 the Verdo authors", 40, 36, 140, 8, ""},
    DialogItem{control::AboutOk, Kind::DefaultPushButton, "OK", 178, 7, 50, 14, ""},
};

constexpr DialogTemplate kMainDialog{"Verdo", 407, 330, kMainItems};
constexpr DialogTemplate kAboutDialog{"About meta", 235, 55, kAboutItems};

// Renders a picture resource (an SVG) to fit the rectangle, keeping its shape.
QPixmap Picture(const char* path, QSize size, qreal pixelRatio) {
  QImageReader reader(QString::fromUtf8(path));
  QSize natural = reader.size();
  if (natural.isEmpty()) natural = size;
  reader.setScaledSize(natural.scaled(size * pixelRatio, Qt::KeepAspectRatio));
  QPixmap pixmap = QPixmap::fromImage(reader.read());
  pixmap.setDevicePixelRatio(pixelRatio);
  return pixmap;
}

// Room a control's own drawing takes beside its text, in pixels.
int Decoration(const QWidget& widget, ControlKind kind) {
  const QStyle* style = widget.style();
  switch (kind) {
    case Kind::PushButton:
    case Kind::DefaultPushButton: return 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget) + 4;
    case Kind::CheckBox:
      return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget) +
             style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &widget);
    case Kind::RadioButton:
      return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &widget) +
             style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &widget);
    default: return 0;
  }
}

// The rectangles are the original's, made for a narrower font: a text that
// doesn't fit its control is set condensed, then smaller, rather than cut.
void FitText(QWidget& widget, const DialogItem& item, int width) {
  if (item.Kind == Kind::Edit || item.Kind == Kind::ReadOnlyEdit || item.Kind == Kind::Picture ||
      item.Kind == Kind::Icon || item.Kind == Kind::GroupBox) {
    return;
  }
  QString text = QString::fromUtf8(item.Text);
  text.remove(QLatin1Char('&'));
  const int room = width - Decoration(widget, item.Kind);
  QFont font = widget.font();
  if (QFontMetrics(font).horizontalAdvance(text) <= room) return;
  font.setStretch(QFont::Condensed);
  while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 6.0) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  widget.setFont(font);
}

QWidget* Create(QWidget& dialog, const DialogItem& item, const DialogUnits& units) {
  const QString text = QString::fromUtf8(item.Text);
  const QRect rect = units.Rect(item.X, item.Y, item.Width, item.Height);
  QWidget* widget = nullptr;
  switch (item.Kind) {
    case Kind::Label: {
      auto* label = new QLabel(text, &dialog);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setTextFormat(Qt::PlainText);
      widget = label;
      break;
    }
    case Kind::Edit:
    case Kind::ReadOnlyEdit: {
      auto* edit = new CFieldEdit(&dialog);
      edit->setReadOnly(item.Kind == Kind::ReadOnlyEdit);
      // The Status box was made for "Please Wait" in a narrower font.
      if (item.Kind == Kind::ReadOnlyEdit) {
        QFont font = edit->font();
        font.setStretch(QFont::SemiCondensed);
        edit->setFont(font);
      }
      widget = edit;
      break;
    }
    case Kind::RadioButton: widget = new QRadioButton(text, &dialog); break;
    case Kind::CheckBox: widget = new QCheckBox(text, &dialog); break;
    case Kind::PushButton:
    case Kind::DefaultPushButton: {
      auto* button = new QPushButton(text, &dialog);
      // Qt makes every push button of a dialog a candidate default button;
      // only the table's default button is one.
      button->setAutoDefault(item.Kind == Kind::DefaultPushButton);
      button->setDefault(item.Kind == Kind::DefaultPushButton);
      widget = button;
      break;
    }
    case Kind::GroupBox: {
      // Drawn as the original platform draws one: the frame fills the
      // rectangle from the middle of the title's line down, and the title
      // interrupts the top edge.
      auto* box = new QGroupBox(text, &dialog);
      box->setFocusPolicy(Qt::NoFocus);
      box->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px;"
                                        " margin-top: %1px; }"
                                        "QGroupBox::title { subcontrol-origin: margin;"
                                        " subcontrol-position: top left; left: %2px; padding: 0 2px; }")
                             .arg(units.BaseHeight / 2)
                             .arg(units.X(4)));
      widget = box;
      break;
    }
    case Kind::Picture: {
      auto* label = new QLabel(&dialog);
      label->setAlignment(Qt::AlignCenter);
      label->setPixmap(Picture(item.Text, rect.size(), dialog.devicePixelRatioF()));
      label->setAccessibleName(QStringLiteral("Verdo"));
      widget = label;
      break;
    }
    case Kind::Icon: {
      auto* label = new QLabel(&dialog);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      const int side = std::min(rect.width(), rect.height());
      label->setPixmap(QIcon(text).pixmap(QSize(side, side), dialog.devicePixelRatioF()));
      label->setAccessibleName(QStringLiteral("Verdo"));
      widget = label;
      break;
    }
  }
  widget->setGeometry(rect);
  FitText(*widget, item, rect.width());
  if (item.Id != kStaticId) widget->setObjectName(QString::number(item.Id));
  return widget;
}

// What a screen reader needs and the drawing doesn't show: a label names the
// edit box that follows it (its buddy), and a group box holds the controls
// that stand in it, as their parent. Nothing moves on screen.
void LinkForAssistiveTechnology(std::span<const DialogItem> items, const std::vector<QWidget*>& widgets) {
  for (std::size_t i = 0; i + 1 < items.size(); ++i) {
    const bool editFollows = items[i + 1].Kind == Kind::Edit || items[i + 1].Kind == Kind::ReadOnlyEdit;
    if (items[i].Kind == Kind::Label && editFollows) static_cast<QLabel*>(widgets[i])->setBuddy(widgets[i + 1]);
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].Group[0] == '\0') continue;
    for (std::size_t g = 0; g < items.size(); ++g) {
      if (items[g].Kind != Kind::GroupBox || std::string_view(items[g].Text) != items[i].Group) continue;
      QWidget* box = widgets[g];
      const QPoint inBox = widgets[i]->pos() - box->pos();
      widgets[i]->setParent(box);
      widgets[i]->move(inBox);
      widgets[i]->show();
    }
  }
}

}  // namespace

const DialogTemplate& MainDialogLayout() { return kMainDialog; }
const DialogTemplate& AboutDialogLayout() { return kAboutDialog; }

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  BaseWidth = (letters / 26 + 1) / 2;
  BaseHeight = metrics.height();
}

// Rounded to the nearest pixel, as the platform's MulDiv does.
int DialogUnits::X(int units) const { return (units * BaseWidth * 2 + 4) / 8; }
int DialogUnits::Y(int units) const { return (units * BaseHeight * 2 + 8) / 16; }

QRect DialogUnits::Rect(int x, int y, int width, int height) const { return QRect(X(x), Y(y), X(width), Y(height)); }

QSize DialogUnits::Size(int width, int height) const { return QSize(X(width), Y(height)); }

QFont FontThatFits(const QFont& font, const DialogTemplate& layout, QSize room) {
  const auto fits = [&](const QFont& candidate) {
    const QSize size = DialogUnits(candidate).Size(layout.Width, layout.Height);
    return size.width() <= room.width() && size.height() <= room.height();
  };
  QFont smaller = font;
  const bool inPoints = font.pointSizeF() > 0;
  for (qreal size = inPoints ? font.pointSizeF() : font.pixelSize(); !fits(smaller);) {
    size -= inPoints ? 0.5 : 1;
    if (size < (inPoints ? 4 : 5)) break;  // nothing readable fits: the smallest
    if (inPoints) {
      smaller.setPointSizeF(size);
    } else {
      smaller.setPixelSize(static_cast<int>(size));
    }
  }
  return smaller;
}

std::vector<QWidget*> BuildDialog(QWidget& dialog, const DialogTemplate& layout) {
  // The dialog can't be resized: in a font too large for the screen it takes
  // a smaller size of that font, and keeps its proportions.
  const QFont fitting = FontThatFits(dialog.font(), layout, dialog.screen()->availableGeometry().size() - kFrameRoom);
  if (fitting != dialog.font()) dialog.setFont(fitting);
  const DialogUnits units(dialog.font());
  std::vector<QWidget*> widgets;
  for (const DialogItem& item : layout.Items) widgets.push_back(Create(dialog, item, units));
  LinkForAssistiveTechnology(layout.Items, widgets);
  QWidget* previousFocusable = nullptr;
  for (std::size_t i = 0; i < widgets.size(); ++i) {
    const DialogItem& item = layout.Items[i];
    QWidget* widget = widgets[i];
    if (item.Kind == Kind::GroupBox || item.Kind == Kind::Picture || item.Kind == Kind::Icon) {
      widget->lower();
    } else if (widget->focusPolicy() != Qt::NoFocus) {
      if (previousFocusable) QWidget::setTabOrder(previousFocusable, widget);
      previousFocusable = widget;
    }
  }
  dialog.setWindowTitle(QString::fromUtf8(layout.Caption));
  dialog.setFixedSize(units.Size(layout.Width, layout.Height));
  return widgets;
}

}  // namespace verdo::app
