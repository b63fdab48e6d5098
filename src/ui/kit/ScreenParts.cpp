#include "ScreenParts.h"

#include "base/ShownText.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/DarkControlStyle.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace marlox::ui {

QColor platformRed() {
    return QColor::fromRgbF(1.0f, 0.23f, 0.19f);
}

QPalette darkAppearancePalette(QPalette dark) {
    for (const auto& [role, color] : {
             std::pair{QPalette::Window, AppPalette::canvas()},
             {QPalette::WindowText, AppPalette::textPrimary()},
             {QPalette::Base, AppPalette::canvas()},
             {QPalette::AlternateBase, AppPalette::panel()},
             {QPalette::Text, AppPalette::textPrimary()},
             {QPalette::Button, AppPalette::panelRaised()},
             {QPalette::ButtonText, AppPalette::textPrimary()},
             {QPalette::Light, AppPalette::panelHighlight()},
             {QPalette::Midlight, AppPalette::panelHighlight()},
             {QPalette::Mid, AppPalette::panel()},
             {QPalette::Dark, AppPalette::canvas()},
             {QPalette::Shadow, AppPalette::canvas()},
             {QPalette::Highlight, AppPalette::accent()},
             {QPalette::HighlightedText, AppPalette::textPrimary()},
             {QPalette::ToolTipBase, AppPalette::panelRaised()},
             {QPalette::ToolTipText, AppPalette::textPrimary()},
         }) {
        dark.setColor(role, color);
    }
    // Qt's own prompt colour is a dark grey, unreadable on these fields.
    dark.setColor(QPalette::PlaceholderText, withOpacity(Qt::white, 0.35));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, AppPalette::textSecondary());
    dark.setColor(QPalette::Disabled, QPalette::Text, AppPalette::textSecondary());
    return dark;
}

void useDarkAppearance(QWidget* screen) {
    screen->setPalette(darkAppearancePalette(screen->palette()));
}

QVBoxLayout* verticalLayout(QWidget* owner, int spacing, const QMargins& margins) {
    auto* layout = new QVBoxLayout(owner);
    layout->setSpacing(spacing);
    layout->setContentsMargins(margins);
    return layout;
}

QHBoxLayout* horizontalLayout(QWidget* owner, int spacing, const QMargins& margins) {
    auto* layout = new QHBoxLayout(owner);
    layout->setSpacing(spacing);
    layout->setContentsMargins(margins);
    return layout;
}

QScrollArea* screenScrollArea(QWidget* screen, const QString& objectName) {
    auto* scrollArea = new QScrollArea(screen);
    scrollArea->setObjectName(objectName);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setWidgetResizable(true);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->viewport()->setAutoFillBackground(false);
    verticalLayout(screen, 0)->addWidget(scrollArea);
    return scrollArea;
}

void replaceScrollContent(QScrollArea* scrollArea, QWidget* content) {
    const int scrolled = scrollArea->verticalScrollBar()->value();
    if (QWidget* old = scrollArea->takeWidget()) {
        old->deleteLater();
    }
    scrollArea->setWidget(content);
    // The scroll area gives its content a background of its own; the screen's shows through.
    content->setAutoFillBackground(false);
    scrollArea->verticalScrollBar()->setValue(scrolled);
}

FittingLabel* plainLabel(const QString& text, qreal size, QFont::Weight weight, const QColor& color,
                         bool wraps, QWidget* parent) {
    return new FittingLabel(text, appFont(size, weight), color,
                            wraps ? FittingLabel::anyNumberOfLines : 1, parent);
}

QVBoxLayout* loweredBy(QWidget* widget, int drop) {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, drop, 0, 0);
    column->setSpacing(0);
    column->addWidget(widget);
    column->addStretch(1);
    return column;
}

void addSharingRoom(QBoxLayout* row, QWidget* text, int drop) {
    // No wider than its line: the box layout shares its room by the stretch, each item up to
    // its greatest width.
    text->setSizePolicy(QSizePolicy::Maximum, text->sizePolicy().verticalPolicy());
    row->addLayout(loweredBy(text, drop), 1);
}

int dropToFirstLine(const FittingLabel& name, qreal baseline) {
    return static_cast<int>(std::lround(name.firstBaseline() - baseline));
}

void placeCentred(QWidget& child, const QRect& area) {
    const QSize size = area.size().boundedTo(child.maximumSize()).expandedTo(child.minimumSize());
    child.setGeometry(QRect(area.topLeft() + QPoint((area.width() - size.width()) / 2,
                                                    (area.height() - size.height()) / 2),
                            size));
}

RoundedPanel::RoundedPanel(qreal radius, const QColor& fill, const QColor& outline,
                           qreal outlineWidth, QWidget* parent)
    : RoundedPanel(
          radius, [fill](const QRectF&) { return QBrush(fill); }, outline, outlineWidth, parent) {}

RoundedPanel::RoundedPanel(qreal radius, Fill fill, const QColor& outline, qreal outlineWidth,
                           QWidget* parent)
    : QWidget(parent), m_radius(radius), m_fill(std::move(fill)), m_outline(outline),
      m_outlineWidth(outlineWidth) {}

void RoundedPanel::setFill(const QColor& fill) {
    m_fill = [fill](const QRectF&) { return QBrush(fill); };
    update();
}

void RoundedPanel::setCorners(RoundedCorners corners) {
    m_corners = corners;
    update();
}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = m_outlineWidth / 2;
    const QRectF area = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    painter.fillPath(roundedCornersPath(area, m_radius, m_corners), m_fill(area));
    if (m_outlineWidth >= 1) {
        // The band the outline covers is filled, not stroked: stroking a curved path costs
        // several times as much, and a screen paints many panels.
        QPainterPath band = roundedCornersPath(QRectF(rect()), m_radius + inset, m_corners);
        band.addPath(roundedCornersPath(area.adjusted(inset, inset, -inset, -inset),
                                        std::max<qreal>(0, m_radius - inset), m_corners));
        band.setFillRule(Qt::OddEvenFill);
        painter.fillPath(band, m_outline);
    } else if (m_outlineWidth > 0) {
        // A hairline thinner than a pixel is left to the stroker, whose edges it was drawn with.
        painter.strokePath(
            roundedCornersPath(area, m_radius, m_corners),
            QPen(m_outline, m_outlineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    }
}

namespace {

// More than the widest line holds even of the narrowest characters.
constexpr qsizetype charactersPerShownLine = 1000;
// What a label without a line limit lays out at most: a tenth of a second's work.
constexpr qsizetype charactersWithoutLineLimit = 100'000;

// The part of the text the lines can hold, the rest given up for an ellipsis, and how many
// characters of the text that is. Each line break is made one the text layout keeps: it takes a
// plain newline for a space, and the words after it would fall behind the first line.
std::pair<QString, qsizetype> textForLines(const QString& text, int maximumLines) {
    const qsizetype bound = maximumLines == FittingLabel::anyNumberOfLines
                                ? charactersWithoutLineLimit
                                : std::min(charactersWithoutLineLimit,
                                           qsizetype(maximumLines) * charactersPerShownLine);
    QString shown = base::textCutForShowing(text, bound);
    const qsizetype charactersShown = text.size() > bound ? shown.size() - 1 : text.size();
    shown.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    for (QChar& character : shown) {
        if (character == u'\n' || character == u'\r' || character == QChar::ParagraphSeparator) {
            character = QChar::LineSeparator;
        }
    }
    return {shown, charactersShown};
}

// Where a position of the text shown lies in the text, of which it shows that many characters: a
// "\r\n" shows as one line separator, and the ellipsis of a cut text stands for all the rest.
qsizetype positionInText(const QString& text, qsizetype charactersShown, qsizetype shownPosition) {
    qsizetype at = 0;
    qsizetype step = 0;
    for (; step < shownPosition && at < charactersShown; ++step) {
        const bool lineBreakPair =
            at + 1 < charactersShown && text.at(at) == u'\r' && text.at(at + 1) == u'\n';
        at += lineBreakPair ? 2 : 1;
    }
    return step < shownPosition ? text.size() : at;
}

// The width a line of the text needs by the font's measure, as the line is cut to its width: the
// widest line's advance, spaces it starts with included, and what its last glyph draws beyond
// that, as a "k" of some fonts does.
qreal measuredWidth(const QString& text, const QFont& font) {
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (QStringView line : QStringView(text).split(QChar::LineSeparator)) {
        while (!line.isEmpty() && line.back().isSpace()) {
            line.chop(1);
        }
        if (line.isEmpty()) {
            continue;
        }
        const qreal overhang = std::max<qreal>(0, -metrics.rightBearing(line.back()));
        widest = std::max(widest, metrics.horizontalAdvance(line.toString()) + overhang);
    }
    return widest;
}

QTextOption wrappingOption(Qt::Alignment alignment) {
    QTextOption option(alignment & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// Printable ASCII, which the application font draws whole, left to right.
bool isPlainAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar character) {
        return character.unicode() >= 0x20 && character.unicode() < 0x7f;
    });
}

// The width the text layout needs to keep each line of the text whole, as it counts it laying the
// text out at a width that breaks no line: about the font's measure, with only the spaces at a
// line's end left to hang, but the layout shapes each run of a script on its own and breaks some
// lines, of Hebrew, Arabic or several scripts, at exactly that measure.
qreal laidOutWidth(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.setTextOption(wrappingOption(Qt::AlignLeft));
    layout.beginLayout();
    qreal widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(QWIDGETSIZE_MAX);
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return widest;
}

} // namespace

FittingLabel::FittingLabel(const QString& text, const QFont& font, const QColor& color,
                           int maximumLines, QWidget* parent, Qt::TextElideMode elideMode)
    : QLabel(parent), m_elideMode(elideMode) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    setPalette(palette);
    setMaximumLines(maximumLines);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

FittingLabel::~FittingLabel() = default;

void FittingLabel::setMaximumLines(int lines) {
    m_maximumLines = lines > 1 ? lines : anyNumberOfLines;
    setWordWrap(lines != 1);
    updateGeometry();
    update();
}

int FittingLabel::maximumLines() const {
    return wordWrap() ? m_maximumLines : 1;
}

void FittingLabel::setPreferredWidthLimit(int pixels) {
    m_preferredWidthLimit = pixels;
    updateGeometry();
}

void FittingLabel::refreshShownText() const {
    // By value: a text made from a literal shares no data, not even with itself.
    const QString current = text();
    const int lines = maximumLines();
    if (current != m_laidOutText || font() != m_laidOutFont || lines != m_laidOutLines) {
        // A selection belongs to the text it was made in. QLabel tells nothing of a new text,
        // which is seen here, before anything is drawn or copied.
        if (current != m_laidOutText || lines != m_laidOutLines) {
            m_selectionStart = m_selectionEnd = 0;
        }
        m_laidOutText = current;
        m_laidOutFont = font();
        m_laidOutLines = lines;
        std::tie(m_shownText, m_charactersShown) = textForLines(current, lines);
        // One line is cut by the font's measure; lines that wrap are broken by the layout, whose
        // count a plain ASCII text, shaped in one run of one font, comes to by the measure too.
        const bool measureKeepsLines = lines == 1 || isPlainAscii(m_shownText);
        m_naturalWidth =
            static_cast<int>(std::ceil(measureKeepsLines ? measuredWidth(m_shownText, font())
                                                         : laidOutWidth(m_shownText, font())));
        m_ownLines = m_shownText.count(QChar::LineSeparator) + 1;
        m_linesAtWidths.forget();
        m_wholeTextLayout.reset();
    }
}

const QString& FittingLabel::shownText() const {
    refreshShownText();
    return m_shownText;
}

QStringList FittingLabel::shownLines(int width) const {
    refreshShownText();
    return m_linesAtWidths.at(width, [this](int atWidth) { return layOutLines(atWidth); });
}

QStringList FittingLabel::layOutLines(int width) const {
    const QString& shown = shownText();
    const int limit = maximumLines();
    QStringList lines;
    QTextLayout layout(shown, font());
    layout.setTextOption(wrappingOption(alignment()));
    layout.beginLayout();
    while (lines.size() < limit) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        if (lines.size() < limit - 1) {
            lines.append(shown.mid(line.textStart(), line.textLength()).trimmed());
            continue;
        }
        // The last line shown takes the rest of its own line of the text, cut with an ellipsis,
        // which it ends in too when more lines of the text follow.
        const qsizetype end = shown.indexOf(QChar::LineSeparator, line.textStart());
        QString piece = shown.mid(line.textStart(), end < 0 ? -1 : end - line.textStart());
        const bool more = end >= 0 && !QStringView(shown).mid(end + 1).trimmed().isEmpty();
        piece = piece.simplified();
        if (more) {
            piece += QChar(0x2026);
        }
        lines.append(
            QFontMetricsF(font()).elidedText(piece, more ? Qt::ElideRight : m_elideMode, width));
    }
    layout.endLayout();
    return lines;
}

qreal FittingLabel::firstBaseline() const {
    // Each line is drawn in the middle of its line spacing.
    const QFontMetricsF metrics(font());
    return contentsMargins().top() + (metrics.lineSpacing() - metrics.height()) / 2 +
           metrics.ascent();
}

int FittingLabel::horizontalMargins() const {
    const QMargins margins = contentsMargins();
    return margins.left() + margins.right();
}

int FittingLabel::heightForWidth(int width) const {
    // One line is one line high at any width, without laying it out.
    if (!wordWrap()) {
        return heightOfLines(1);
    }
    refreshShownText();
    const int inner = std::max(0, width - horizontalMargins());
    // As wide as its widest line, the text keeps its own lines: a card's title that fits is
    // not laid out at each width a layout asks about.
    const qsizetype count = inner >= m_naturalWidth
                                ? std::min<qsizetype>(m_ownLines, maximumLines())
                                : shownLines(inner).size();
    return heightOfLines(std::max<qsizetype>(1, count));
}

int FittingLabel::heightOfLines(qsizetype count) const {
    const QMargins margins = contentsMargins();
    return static_cast<int>(std::ceil(QFontMetricsF(font()).lineSpacing() * count)) +
           margins.top() + margins.bottom();
}

GivingWayWidths FittingLabel::textWidths() const {
    refreshShownText();
    return givingWayWidths(m_naturalWidth, font(), m_preferredWidthLimit);
}

QSize FittingLabel::sizeHint() const {
    const int width = static_cast<int>(std::ceil(textWidths().preferred)) + horizontalMargins();
    // Its height is fixed, so layouts take the hint's: once laid out, that of the lines at the
    // width given, not at the width it would like.
    return {width, heightForWidth(m_laidOutWidth > 0 ? m_laidOutWidth : width)};
}

QSize FittingLabel::minimumSizeHint() const {
    return {static_cast<int>(std::ceil(textWidths().least)) + horizontalMargins(),
            heightOfLines(1)};
}

void FittingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    const int hintedHeight = sizeHint().height();
    m_laidOutWidth = width();
    if (sizeHint().height() != hintedHeight) {
        updateGeometry();
    }
}

const QTextLayout& FittingLabel::wholeTextLayout() const {
    refreshShownText();
    const std::pair laidOutFor{contentsRect().width(), alignment()};
    if (m_wholeTextLayout && m_wholeTextLayoutFor == laidOutFor) {
        return *m_wholeTextLayout;
    }
    m_wholeTextLayout = std::make_unique<QTextLayout>(m_shownText, font());
    m_wholeTextLayoutFor = laidOutFor;
    QTextLayout& layout = *m_wholeTextLayout;
    layout.setTextOption(wrappingOption(alignment()));
    layout.beginLayout();
    const qreal lineSpacing = QFontMetricsF(font()).lineSpacing();
    qreal top = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(laidOutFor.first);
        line.setPosition(QPointF(0, top));
        top += lineSpacing;
    }
    layout.endLayout();
    return layout;
}

qreal FittingLabel::linesTop(int lineCount) const {
    const QRect area = contentsRect();
    const qreal height = QFontMetricsF(font()).lineSpacing() * lineCount;
    if (alignment() & Qt::AlignVCenter) {
        return area.top() + (area.height() - height) / 2;
    }
    if (alignment() & Qt::AlignBottom) {
        return area.bottom() + 1 - height;
    }
    return area.top();
}

void FittingLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    // Faded as the window's style fades a disabled label, whatever colour it is given.
    if (!isEnabled()) {
        painter.setOpacity(DarkControlStyle::disabledOpacity);
    }
    const QRect area = contentsRect();
    if (maximumLines() == anyNumberOfLines && hasSelection()) {
        // A selection is drawn by the layout its lines came from; only a text without a line
        // limit has them all whole.
        const QTextLayout& layout = wholeTextLayout();
        QTextLayout::FormatRange range;
        range.start = std::min(m_selectionStart, m_selectionEnd);
        range.length = std::abs(m_selectionEnd - m_selectionStart);
        range.format.setBackground(palette().color(QPalette::Highlight));
        range.format.setForeground(palette().color(QPalette::HighlightedText));
        // Only the lines in the area to paint, which in a scroll area is what is in view.
        layout.draw(&painter, QPointF(area.left(), linesTop(layout.lineCount())), {range},
                    event->rect());
        return;
    }
    painter.setFont(font());
    const qreal lineSpacing = QFontMetricsF(font()).lineSpacing();
    const QStringList lines = shownLines(area.width());
    const int horizontal = static_cast<int>(alignment() & Qt::AlignHorizontal_Mask);
    qreal top = linesTop(static_cast<int>(lines.size()));
    for (const QString& line : lines) {
        painter.drawText(QRectF(area.left(), top, area.width(), lineSpacing),
                         horizontal | Qt::AlignVCenter, line);
        top += lineSpacing;
    }
}

void FittingLabel::setSelectable(bool selectable) {
    m_selectable = selectable;
    setCursor(selectable ? Qt::IBeamCursor : Qt::ArrowCursor);
    setFocusPolicy(selectable ? Qt::ClickFocus : Qt::NoFocus);
    m_selectionStart = m_selectionEnd = 0;
    update();
}

int FittingLabel::textPosition(const QPoint& point) const {
    const QRect area = contentsRect();
    const QTextLayout& layout = wholeTextLayout();
    const qreal top = linesTop(layout.lineCount());
    const qreal lineSpacing = QFontMetricsF(font()).lineSpacing();
    const int index = std::clamp(static_cast<int>(std::floor((point.y() - top) / lineSpacing)), 0,
                                 std::max(0, layout.lineCount() - 1));
    const QTextLine line = layout.lineAt(index);
    return line.isValid() ? line.xToCursor(point.x() - area.left()) : 0;
}

bool FittingLabel::hasSelection() const {
    refreshShownText();
    return m_selectionStart != m_selectionEnd;
}

QString FittingLabel::selectedText() const {
    if (!hasSelection()) {
        return {};
    }
    // Copied from the text as given, not as shown: all of it, line breaks as written.
    const qsizetype start = positionInText(m_laidOutText, m_charactersShown,
                                           std::min(m_selectionStart, m_selectionEnd));
    const qsizetype end = positionInText(m_laidOutText, m_charactersShown,
                                         std::max(m_selectionStart, m_selectionEnd));
    return m_laidOutText.mid(start, end - start);
}

void FittingLabel::selectAllText() {
    m_selectionStart = 0;
    m_selectionEnd = static_cast<int>(shownText().size());
    update();
}

void FittingLabel::copySelection() const {
    if (hasSelection()) {
        QGuiApplication::clipboard()->setText(selectedText());
    }
}

void FittingLabel::mousePressEvent(QMouseEvent* event) {
    if (!m_selectable || event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    m_selectionStart = m_selectionEnd = textPosition(event->position().toPoint());
    update();
}

void FittingLabel::mouseMoveEvent(QMouseEvent* event) {
    if (!m_selectable || !(event->buttons() & Qt::LeftButton)) {
        QLabel::mouseMoveEvent(event);
        return;
    }
    m_selectionEnd = textPosition(event->position().toPoint());
    update();
}

void FittingLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_selectable || event->button() != Qt::LeftButton) {
        QLabel::mouseDoubleClickEvent(event);
        return;
    }
    // A word of a path or digest runs to the next white space.
    const QString& shown = shownText();
    const int at = textPosition(event->position().toPoint());
    int start = at;
    int end = at;
    while (start > 0 && !shown.at(start - 1).isSpace()) {
        --start;
    }
    while (end < shown.size() && !shown.at(end).isSpace()) {
        ++end;
    }
    m_selectionStart = start;
    m_selectionEnd = end;
    update();
}

void FittingLabel::keyPressEvent(QKeyEvent* event) {
    if (m_selectable && event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    if (m_selectable && event->matches(QKeySequence::SelectAll)) {
        selectAllText();
        return;
    }
    QLabel::keyPressEvent(event);
}

void FittingLabel::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_selectable) {
        QLabel::contextMenuEvent(event);
        return;
    }
    // Shown without a nested event loop; it goes once closed.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(QStringLiteral("Copy"), this, &FittingLabel::copySelection);
    copy->setEnabled(hasSelection());
    menu->addAction(QStringLiteral("Select All"), this, &FittingLabel::selectAllText);
    menu->popup(event->globalPos());
}

RoundedClipEffect::RoundedClipEffect(qreal radius, QObject* parent)
    : QGraphicsEffect(parent), m_radius(radius) {}

void RoundedClipEffect::draw(QPainter* painter) {
    QPoint offset;
    const QPixmap picture = sourcePixmap(Qt::LogicalCoordinates, &offset, NoPad);
    if (picture.isNull()) {
        return;
    }
    const qreal ratio = picture.devicePixelRatio();
    const QRectF area(offset, QSizeF(picture.size()) / ratio);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setPen(Qt::NoPen);
    // Filling the shape with the picture as a brush gives smooth edges, where a clip would not.
    QBrush brush(picture);
    brush.setTransform(QTransform::fromScale(1 / ratio, 1 / ratio) *
                       QTransform::fromTranslate(area.x(), area.y()));
    painter->setBrush(brush);
    painter->drawPath(roundedRectPath(area, m_radius));
    painter->restore();
}

TileOutline::TileOutline(qreal radius, const QColor& color, qreal width, QWidget* tile)
    : QWidget(tile), m_radius(radius), m_color(color), m_width(width) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    raise();
}

void TileOutline::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Inside the rectangle by half the line, so that the whole line shows.
    const qreal inset = m_width / 2;
    painter.strokePath(
        roundedRectPath(QRectF(rect()).adjusted(inset, inset, -inset, -inset), m_radius),
        QPen(m_color, m_width));
}

} // namespace marlox::ui
