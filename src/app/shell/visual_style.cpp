#include "app/shell/visual_style.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>


namespace lv::app {

namespace {

// Draws the standard controls flat: a one-pixel frame in the style's colour
// and a second one just inside it in the control's own background colour.
class FlatFrameStyle final : public QProxyStyle {
 public:
  FlatFrameStyle(const QString& base, QColor frame) : QProxyStyle(QStyleFactory::create(base)), frame_(frame) {}

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    switch (element) {
      case PE_Frame:
      case PE_FrameLineEdit:
      case PE_FrameGroupBox:
      case PE_FrameButtonBevel:
        draw_frame(option->rect, option->palette.color(QPalette::Window), painter);
        return;
      case PE_PanelLineEdit: {
        painter->fillRect(option->rect, option->palette.brush(QPalette::Base));
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (frame == nullptr || frame->lineWidth > 0) draw_frame(option->rect, option->palette.color(QPalette::Base), painter);
        return;
      }
      case PE_PanelButtonCommand: {
        QColor fill = option->palette.color(QPalette::Button);
        if (option->state & (State_Sunken | State_On)) {
          fill = fill.darker(112);
        } else if (option->state & State_MouseOver) {
          fill = fill.lighter(106);
        }
        painter->fillRect(option->rect, fill);
        draw_frame(option->rect, fill, painter);
        return;
      }
      case PE_FrameDefaultButton:
        return;
      default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    // Combo and spin boxes keep their inner parts and get the flat frame on top.
    if (control == CC_ComboBox || control == CC_SpinBox) {
      draw_frame(option->rect, option->palette.color(QPalette::Base), painter);
    }
  }

 private:
  void draw_frame(const QRect& rect, const QColor& inner, QPainter* painter) const {
    if (rect.width() < 2 || rect.height() < 2) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(frame_, 1));
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    if (rect.width() > 4 && rect.height() > 4) {
      painter->setPen(QPen(inner, 1));
      painter->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    painter->restore();
  }

  QColor frame_;
};

int g_style = 0;
QString& base_style_name() {
  static QString name;
  return name;
}

}  // namespace

std::optional<unsigned> visual_style_colour(int style) {
  switch (style) {
    case 1: return 0x7B9EBDu;
    case 2: return 0xA4B97Fu;
    case 3: return 0xC6C5D7u;
    default: return std::nullopt;
  }
}

int visual_style() { return g_style; }

bool set_visual_style(int style) {
  if (qApp == nullptr) return false;
  if (g_style == 0) base_style_name() = QApplication::style()->name();
  const std::optional<unsigned> colour = visual_style_colour(style);
  if (colour) {
    // The application takes the style and repolishes every widget, existing
    // and later ones alike.
    QApplication::setStyle(new FlatFrameStyle(base_style_name(), QColor::fromRgb(*colour)));
    g_style = style;
    return true;
  }
  if (g_style != 0) QApplication::setStyle(base_style_name());
  g_style = 0;
  return true;
}

}  // namespace lv::app
