#pragma once

#include "ui/kit/AppFont.h"
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
#include <limits>
#include <memory>
#include <utility>

class QBoxLayout;
class QScrollArea;
class QTextLayout;
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
// The widget in a column of its own, lowered by `drop` points: in a row whose items stand at its
// top, beside a text that may wrap, it stays level with the text's first line.
QVBoxLayout* loweredBy(QWidget* widget, int drop);
// Adds a text (or a pill) to a row whose texts share its room as a stack's texts share it: each
// as wide as its line while all fit; in less room each an equal share, and one needing less than
// its share leaves the rest to the others. A stretch between them gives way first. The text
// stands at the row's top, lowered by `drop`.
void addSharingRoom(QBoxLayout* row, QWidget* text, int drop = 0);

class FittingLabel;

// How far a text or a pill beside a name, its baseline `baseline` below its top, is lowered
// (loweredBy, addSharingRoom) to stand level with the name's first line.
int dropToFirstLine(const FittingLabel& name, qreal baseline);

// A label of plain text in the application font: one line ending in "…" where it is cut, or,
// when it wraps, as many lines as the text needs (FittingLabel).
FittingLabel* plainLabel(const QString& text, qreal size, QFont::Weight weight, const QColor& color,
                         bool wraps = false, QWidget* parent = nullptr);

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

// Plain text that gives way to the row it is in: as its minimum it asks for the room of a short
// word, so a long name shortens or wraps and the controls beside it stay where they are. Without
// word wrap it shows one line, one line high at any width; with word wrap as many lines as the
// text needs, or at most `maximumLines`; a word too long for a line breaks inside, and the last
// line ends in "…" (or is shortened where `elideMode` says) when more of the text follows. Its
// height is always that of the lines it shows at the width it is given. Only as much of the text
// as its lines can hold is ever laid out. It keeps QLabel's text, font, colour (the palette's
// window text), word wrap and alignment; selection is its own (setSelectable), which breaks long
// words as it shows them.
class FittingLabel : public QLabel {
    Q_OBJECT

public:
    static constexpr int anyNumberOfLines = std::numeric_limits<int>::max();

    FittingLabel(const QString& text, const QFont& font, const QColor& color,
                 int maximumLines = anyNumberOfLines, QWidget* parent = nullptr,
                 Qt::TextElideMode elideMode = Qt::ElideRight);
    ~FittingLabel() override;

    // One line turns word wrap off; more turn it on with that limit.
    void setMaximumLines(int lines);
    // 1 without word wrap.
    int maximumLines() const;
    // The widest it asks a layout for: its text on one line, at most this many pixels
    // (widestPreferredText unless set).
    void setPreferredWidthLimit(int pixels);
    // Lets the user select the text with the mouse (a double click takes a word to its spaces)
    // and copy it; for a text without a line limit, such as a path or a digest.
    void setSelectable(bool selectable);
    bool isSelectable() const { return m_selectable; }
    // What the selection covers of the text as given: a selection to the ellipsis of a text too
    // long to lay out whole takes all the rest.
    QString selectedText() const;
    // The lines shown at that width.
    QStringList shownLines(int width) const;
    // How far below its top the first line's baseline lies, its lines standing at the top.
    qreal firstBaseline() const;

    // Only a text that wraps grows taller as it narrows: a layout need not ask one line.
    bool hasHeightForWidth() const override { return wordWrap(); }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Works out again what the lines are laid out from when the text, font or limit changed,
    // and forgets the lines laid out before.
    void refreshShownText() const;
    const QString& shownText() const;
    bool hasSelection() const;
    QStringList layOutLines(int width) const;
    // The whole shown text in lines as wide as the label, as a selection is drawn and pointed at.
    const QTextLayout& wholeTextLayout() const;
    int textPosition(const QPoint& point) const;
    // Where the first of that many lines starts, as the alignment places them.
    qreal linesTop(int lineCount) const;
    GivingWayWidths textWidths() const;
    int horizontalMargins() const;
    int heightOfLines(qsizetype count) const;
    void selectAllText();
    void copySelection() const;

    int m_maximumLines = anyNumberOfLines;
    Qt::TextElideMode m_elideMode;
    int m_preferredWidthLimit = widestPreferredText;
    // The width the layout last gave it, once it has given one.
    int m_laidOutWidth = 0;
    bool m_selectable = false;
    // In the shown text; a new text drops it as soon as it is seen (refreshShownText).
    mutable int m_selectionStart = 0;
    mutable int m_selectionEnd = 0;
    mutable QString m_laidOutText;
    mutable QFont m_laidOutFont;
    mutable int m_laidOutLines = 0;
    mutable QString m_shownText;
    // How many characters of the text m_shownText shows.
    mutable qsizetype m_charactersShown = 0;
    // The shown text's widest line, and how many lines it has of its own.
    mutable int m_naturalWidth = 0;
    mutable qsizetype m_ownLines = 1;
    mutable LaidOutAtWidths<QStringList> m_linesAtWidths;
    // Kept for the width and alignment it was made for: a drag asks where the pointer is, then
    // draws the selection, at every move, and each would lay the whole text out anew.
    mutable std::unique_ptr<QTextLayout> m_wholeTextLayout;
    mutable std::pair<int, Qt::Alignment> m_wholeTextLayoutFor;
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
