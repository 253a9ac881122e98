#include "app/DialogLayout.h"

#include <array>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include "app/FieldEdit.h"
#include "core/form/ControlIds.h"

namespace verdo::app {
namespace {

using K = ControlKind;

// A label "above" its edit box sits in the 8 units just over it.
constexpr DialogItem Above(const char* text, int x, int y, int width, const char* group = "") {
  return {kStaticId, K::Label, text, x, y - 9, width, 8, group};
}

constexpr DialogItem Keyword(int n) {
  constexpr int rows[] = {63, 83, 103, 123};
  constexpr int columns[] = {10, 90, 180, 270};
  return {control::Keyword(n), K::Edit, "", columns[(n - 1) % 4], rows[(n - 1) / 4], 60, 14, "Keywords"};
}

// Dialog 102. Labels come just before their edit box; the group boxes and the
// logo, which take no focus, come last and are drawn beneath the controls.
constexpr std::array kMainItems = {
    Above("Title", 10, 10, 320),
    DialogItem{control::Title, K::Edit, "", 10, 10, 320, 14, ""},
    Above("Description", 10, 34, 320),
    DialogItem{control::Description, K::Edit, "", 10, 34, 320, 17, ""},
    Keyword(1), Keyword(2), Keyword(3), Keyword(4),
    Keyword(5), Keyword(6), Keyword(7), Keyword(8),
    Keyword(9), Keyword(10), Keyword(11), Keyword(12),
    Keyword(13), Keyword(14), Keyword(15), Keyword(16),
    Above("Extra Keywords (Separate with a comma)", 10, 151, 320, "Keywords"),
    DialogItem{control::ExtraKeywords, K::Edit, "", 10, 151, 320, 14, "Keywords"},
    Above("Author", 10, 206, 145),
    DialogItem{control::Author, K::Edit, "", 10, 206, 145, 14, ""},
    Above("Copyright Information", 165, 206, 165),
    DialogItem{control::Copyright, K::Edit, "", 165, 206, 165, 14, ""},
    Above("Expires", 10, 233, 320),
    DialogItem{control::Expires, K::Edit, "", 10, 233, 320, 14, ""},
    Above("Redirect URL", 10, 260, 320),
    DialogItem{control::RedirectUrl, K::Edit, "", 10, 260, 320, 14, ""},
    DialogItem{control::Global, K::RadioButton, "Global", 20, 288, 36, 10, "Distribution"},
    DialogItem{control::Local, K::RadioButton, "Local", 20, 302, 33, 10, "Distribution"},
    DialogItem{control::Revisit, K::CheckBox, "Revisit", 85, 287, 37, 10, "Robots"},
    DialogItem{control::NoCache, K::CheckBox, "No Cache", 85, 302, 48, 10, "Robots"},
    DialogItem{control::NoIndex, K::CheckBox, "No Index", 155, 287, 45, 10, "Robots"},
    DialogItem{control::NoImageIndex, K::CheckBox, "No Image Index", 155, 303, 66, 10, "Robots"},
    DialogItem{control::IndexAll, K::CheckBox, "Index All", 240, 288, 43, 10, "Robots"},
    DialogItem{control::Load, K::PushButton, "Load", 348, 69, 50, 14, "Template"},
    DialogItem{control::Save, K::PushButton, "Save", 348, 83, 50, 14, "Template"},
    DialogItem{control::Export, K::PushButton, "Export", 348, 120, 50, 14, "HTML"},
    DialogItem{control::Import, K::PushButton, "Import", 348, 134, 50, 14, "HTML"},
    DialogItem{control::Generate, K::PushButton, "Generate", 349, 169, 50, 14, "Trap Page"},
    DialogItem{control::TrapPreview, K::PushButton, "Preview", 349, 183, 50, 14, "Trap Page"},
    DialogItem{control::Totals, K::PushButton, "Totals", 348, 226, 50, 14, "Utils"},
    DialogItem{control::Preview, K::PushButton, "Preview", 348, 240, 50, 14, "Utils"},
    DialogItem{control::ClearAll, K::PushButton, "Clear All", 348, 254, 50, 14, "Utils"},
    DialogItem{control::Help, K::PushButton, "&Help", 348, 301, 50, 14, ""},
    DialogItem{control::Exit, K::PushButton, "Exit", 348, 315, 50, 14, ""},
    DialogItem{control::Uppercase, K::PushButton, "UPPERCASE", 11, 173, 50, 14, "Keywords"},
    DialogItem{control::Lowercase, K::PushButton, "lowercase", 64, 173, 50, 14, "Keywords"},
    DialogItem{control::Randomize, K::PushButton, "Randomize", 225, 173, 50, 14, "Keywords"},
    DialogItem{control::FirstCapitol, K::PushButton, "First Capitol", 118, 173, 50, 14, "Keywords"},
    DialogItem{control::Reverse, K::PushButton, "Reverse", 171, 173, 50, 14, "Keywords"},
    DialogItem{control::ClearKeywords, K::PushButton, "Clear Keywords", 279, 173, 50, 14, "Keywords"},
    DialogItem{kStaticId, K::Label, "Status", 340, 40, 22, 8, ""},
    DialogItem{control::Status, K::ReadOnlyEdit, "", 364, 37, 40, 14, ""},
    DialogItem{kStaticId, K::GroupBox, "Keywords", 5, 53, 330, 140, ""},
    DialogItem{kStaticId, K::GroupBox, "Distribution", 10, 277, 55, 40, ""},
    DialogItem{kStaticId, K::GroupBox, "Robots", 75, 277, 220, 40, ""},
    DialogItem{kStaticId, K::GroupBox, "Template", 340, 55, 65, 50, ""},
    DialogItem{kStaticId, K::GroupBox, "HTML", 340, 109, 65, 45, ""},
    DialogItem{kStaticId, K::GroupBox, "Trap Page", 340, 158, 65, 47, ""},
    DialogItem{kStaticId, K::GroupBox, "Utils", 340, 215, 65, 60, ""},
    DialogItem{kStaticId, K::Picture, ":/verdo/logo.svg", 335, 10, 69, 20, ""},
};

// Dialog 100.
constexpr std::array kAboutItems = {
    DialogItem{kStaticId, K::Icon, ":/verdo/verdo.svg", 11, 14, 21, 20, ""},
    DialogItem{kStaticId, K::Label, "Verdo Version 1.0", 40, 11, 119, 8, ""},
    DialogItem{kStaticId, K::Label, "By the Verdo authors", 39, 24, 90, 8, ""},
    DialogItem{kStaticId, K::Label, "\xC2\xA9 2000-2026 the Verdo authors", 40, 36, 140, 8, ""},
    DialogItem{control::AboutOk, K::DefaultPushButton, "OK", 178, 7, 50, 14, ""},
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
    case K::PushButton:
    case K::DefaultPushButton:
      return 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget) + 4;
    case K::CheckBox:
      return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget) +
             style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &widget);
    case K::RadioButton:
      return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &widget) +
             style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &widget);
    default:
      return 0;
  }
}

// The rectangles are the original's, made for a narrower font: a text that
// doesn't fit its control is set condensed, then smaller, rather than cut.
void FitText(QWidget& widget, const DialogItem& item, int width) {
  if (item.Kind == K::Edit || item.Kind == K::ReadOnlyEdit || item.Kind == K::Picture || item.Kind == K::Icon ||
      item.Kind == K::GroupBox) {
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
    case K::Label: {
      auto* label = new QLabel(text, &dialog);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setTextFormat(Qt::PlainText);
      widget = label;
      break;
    }
    case K::Edit:
    case K::ReadOnlyEdit: {
      auto* edit = new CFieldEdit(&dialog);
      edit->setReadOnly(item.Kind == K::ReadOnlyEdit);
      // The Status box was made for "Please Wait" in a narrower font.
      if (item.Kind == K::ReadOnlyEdit) {
        QFont font = edit->font();
        font.setStretch(QFont::SemiCondensed);
        edit->setFont(font);
      }
      widget = edit;
      break;
    }
    case K::RadioButton:
      widget = new QRadioButton(text, &dialog);
      break;
    case K::CheckBox:
      widget = new QCheckBox(text, &dialog);
      break;
    case K::PushButton:
    case K::DefaultPushButton: {
      auto* button = new QPushButton(text, &dialog);
      // Qt makes every push button of a dialog a candidate default button;
      // only the table's default button is one.
      button->setAutoDefault(item.Kind == K::DefaultPushButton);
      button->setDefault(item.Kind == K::DefaultPushButton);
      widget = button;
      break;
    }
    case K::GroupBox: {
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
    case K::Picture: {
      auto* label = new QLabel(&dialog);
      label->setAlignment(Qt::AlignCenter);
      label->setPixmap(Picture(item.Text, rect.size(), dialog.devicePixelRatioF()));
      widget = label;
      break;
    }
    case K::Icon: {
      auto* label = new QLabel(&dialog);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      const int side = std::min(rect.width(), rect.height());
      label->setPixmap(QIcon(text).pixmap(QSize(side, side), dialog.devicePixelRatioF()));
      widget = label;
      break;
    }
  }
  widget->setGeometry(rect);
  FitText(*widget, item, rect.width());
  if (item.Id != kStaticId) widget->setObjectName(QString::number(item.Id));
  return widget;
}

}  // namespace

const DialogTemplate& MainDialogLayout() { return kMainDialog; }
const DialogTemplate& AboutDialogLayout() { return kAboutDialog; }

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  BaseWidth = (letters / 26 + 1) / 2;
  BaseHeight = metrics.height();
}

// Rounded to the nearest pixel, as the platform's MulDiv does.
int DialogUnits::X(int units) const { return (units * BaseWidth * 2 + 4) / 8; }
int DialogUnits::Y(int units) const { return (units * BaseHeight * 2 + 8) / 16; }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const { return QSize(X(width), Y(height)); }

std::vector<QWidget*> BuildDialog(QWidget& dialog, const DialogTemplate& layout) {
  const DialogUnits units(dialog.font());
  std::vector<QWidget*> widgets;
  QWidget* previousFocusable = nullptr;
  for (const DialogItem& item : layout.Items) {
    QWidget* widget = Create(dialog, item, units);
    widgets.push_back(widget);
    if (item.Kind == K::GroupBox || item.Kind == K::Picture || item.Kind == K::Icon) {
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
