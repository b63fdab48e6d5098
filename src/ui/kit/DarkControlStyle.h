#pragma once

#include <QProxyStyle>

namespace marlox::ui {

// The standard controls as the platform draws them in a dark window, over the Fusion style:
// thin scroll bars without arrow buttons (a rounded translucent white handle on a clear track),
// combo boxes and check boxes on the raised surface with a hairline border, and every disabled
// control's text dimmed. Sizes stay Fusion's, so layouts do not move. The kit's own painted
// controls do not go through it.
class DarkControlStyle : public QProxyStyle {
    Q_OBJECT

public:
    // The opacity of a disabled control, as the kit's pill buttons and switches fade.
    static constexpr qreal disabledOpacity = 0.45;

    DarkControlStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget = nullptr) const override;
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                      bool enabled, const QString& text,
                      QPalette::ColorRole textRole = QPalette::NoRole) const override;
};

// The dark appearance for the whole process, whatever the desktop's setting: the style above
// with the kit's dark palette, so that every window, dialog and popup is dark. The application
// and the widget tests both start with it.
void useDarkApplicationAppearance();

} // namespace marlox::ui
