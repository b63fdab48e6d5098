#pragma once

#include "ui/kit/RoundedCorners.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGraphicsEffect>
#include <QLabel>
#include <QList>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>

class QScrollArea;
class QHBoxLayout;
class QVBoxLayout;

namespace marlox::ui {

// The platform's red, for error notices and missing-on-disk warnings.
QColor platformRed();

// The window's dark appearance for the standard controls (bordered buttons, scroll bars,
// selections, dialogs), whatever the desktop's setting: the base palette with the kit's colours.
QPalette darkAppearancePalette(QPalette base);
// The same on one screen.
void useDarkAppearance(QWidget* screen);

// A vertical layout on the widget with that spacing and those margins.
QVBoxLayout* verticalLayout(QWidget* owner, int spacing, const QMargins& margins = {});
// A horizontal layout on the widget with that spacing and those margins.
QHBoxLayout* horizontalLayout(QWidget* owner, int spacing, const QMargins& margins = {});

// The screen's whole area as a vertical scroll area whose content shows the screen's own
// background.
QScrollArea* screenScrollArea(QWidget* screen, const QString& objectName);
// Puts new content in the scroll area at the same scroll position. The old content may hold the
// control whose signal led here: it is deleted once control returns to the event loop.
void replaceScrollContent(QScrollArea* scrollArea, QWidget* content);

// Lays the child over the area as a centred stack would: as large as its size limits let it, in
// the middle. A fixed-size icon keeps its size, where setGeometry() would pin it top-left.
void placeCentred(QWidget& child, const QRect& area);

// A label of plain text in the application font; wraps when asked.
QLabel* plainLabel(const QString& text, qreal size, QFont::Weight weight, const QColor& color,
                   bool wraps = false, QWidget* parent = nullptr);
// Lets the user select the label's text with the mouse.
void makeSelectable(QLabel* label);

// A rounded rectangle filled and outlined, behind whatever it lays out.
class RoundedPanel : public QWidget {
    Q_OBJECT

public:
    // The fill made for the panel's rectangle, so that a gradient spans the panel.
    using Fill = std::function<QBrush(const QRectF& rect)>;

    RoundedPanel(qreal radius, const QColor& fill, const QColor& outline, qreal outlineWidth = 1,
                 QWidget* parent = nullptr);
    RoundedPanel(qreal radius, Fill fill, const QColor& outline, qreal outlineWidth = 1,
                 QWidget* parent = nullptr);

    void setFill(const QColor& fill);
    // All corners are rounded unless told otherwise.
    void setCorners(RoundedCorners corners);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
    RoundedCorners m_corners = RoundedCorners::all;
    Fill m_fill;
    QColor m_outline;
    qreal m_outlineWidth;
};

// What a text came to at each of the last few widths it was laid out at. One layout pass asks a
// wrapping label about several widths (with and without a scroll bar, as a grid shares out its
// columns), each several times, and every answer would lay the whole text out anew.
template <typename LaidOut> class LaidOutAtWidths {
public:
    template <typename LayOut> LaidOut at(int width, LayOut&& layOut) {
        for (const auto& [knownWidth, known] : m_known) {
            if (knownWidth == width) {
                return known;
            }
        }
        LaidOut laidOut = std::forward<LayOut>(layOut)(width);
        if (m_known.size() < kept) {
            m_known.append({width, laidOut});
        } else {
            m_known[m_next] = {width, laidOut};
            m_next = (m_next + 1) % kept;
        }
        return laidOut;
    }
    // For a changed text or font.
    void forget() {
        m_known.clear();
        m_next = 0;
    }

private:
    static constexpr qsizetype kept = 8;
    QList<std::pair<int, LaidOut>> m_known;
    qsizetype m_next = 0;
};

// Plain text cut to a number of lines, the last one shortened with an ellipsis (at its end, or
// where `elideMode` says) when the text is longer; its height is always that of the lines it
// shows at the width it is given. Only as much of the text as its lines can hold is ever laid out.
class LineLimitedLabel : public QWidget {
    Q_OBJECT

public:
    LineLimitedLabel(const QString& text, const QFont& font, const QColor& color, int maximumLines,
                     QWidget* parent = nullptr, Qt::TextElideMode elideMode = Qt::ElideRight);

    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // The widest it asks a layout for: its text on one line, at most this many pixels (400
    // unless set).
    void setPreferredWidthLimit(int pixels);
    // The lines shown at that width.
    QStringList shownLines(int width) const;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QStringList layOutLines(int width) const;

    QString m_text;
    // The part of m_text the lines can hold, which is all that is laid out.
    QString m_shownText;
    QColor m_color;
    int m_maximumLines;
    Qt::TextElideMode m_elideMode;
    int m_preferredWidthLimit = 400;
    // The height of its lines at the width the layout gave it, once it has given one.
    int m_laidOutHeight = 0;
    mutable LaidOutAtWidths<QStringList> m_linesAtWidths;
};

// Draws the widget it is set on, children included, clipped to a rounded rectangle with smooth
// edges, as a card or tile whose picture must not reach into its corners. Each paint draws the
// widget offscreen first, and lays out the window when the widget is not shown yet: a widget that
// can round its own corners is cheaper.
class RoundedClipEffect : public QGraphicsEffect {
    Q_OBJECT

public:
    explicit RoundedClipEffect(qreal radius, QObject* parent = nullptr);

protected:
    void draw(QPainter* painter) override;

private:
    qreal m_radius;
};

// The fine outline of a tile's rounded rectangle, drawn over everything in it, picture included:
// a child of the tile, raised over what it holds, that the tile gives its whole rectangle; clicks
// pass through it.
class TileOutline final : public QWidget {
public:
    TileOutline(qreal radius, const QColor& color, qreal width, QWidget* tile);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
    QColor m_color;
    qreal m_width;
};

} // namespace marlox::ui
