#include "ScreenParts.h"

#include "base/ShownText.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
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

namespace {

// A label that keeps the heights it last worked out, as long as its text and font stay.
class WrappingLabel final : public QLabel {
public:
    explicit WrappingLabel(QWidget* parent) : QLabel(parent) {}

    int heightForWidth(int width) const override {
        // By value: a text made from a literal shares no data, not even with itself.
        if (m_laidOutText != text() || m_laidOutFont != font()) {
            m_heights.forget();
            m_laidOutText = text();
            m_laidOutFont = font();
        }
        return m_heights.at(width, [this](int atWidth) { return QLabel::heightForWidth(atWidth); });
    }

private:
    mutable QString m_laidOutText;
    mutable QFont m_laidOutFont;
    mutable LaidOutAtWidths<int> m_heights;
};

} // namespace

QLabel* plainLabel(const QString& text, qreal size, QFont::Weight weight, const QColor& color,
                   bool wraps, QWidget* parent) {
    auto* label = wraps ? new WrappingLabel(parent) : new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(appFont(size, weight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
    label->setWordWrap(wraps);
    return label;
}

void placeCentred(QWidget& child, const QRect& area) {
    const QSize size = area.size().boundedTo(child.maximumSize()).expandedTo(child.minimumSize());
    child.setGeometry(QRect(area.topLeft() + QPoint((area.width() - size.width()) / 2,
                                                    (area.height() - size.height()) / 2),
                            size));
}

void makeSelectable(QLabel* label) {
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setCursor(Qt::IBeamCursor);
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

// The part of the text the lines can hold, each line break made one the text layout keeps: it
// takes a plain newline for a space, and the words after it would fall behind the first line.
QString textForLines(const QString& text, int maximumLines) {
    QString shown = base::textCutForShowing(text, maximumLines * charactersPerShownLine);
    shown.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    for (QChar& character : shown) {
        if (character == u'\n' || character == u'\r' || character == QChar::ParagraphSeparator) {
            character = QChar::LineSeparator;
        }
    }
    return shown;
}

// The width the text layout needs to keep each line of the text whole: the widest line's advance
// and what its last glyph draws beyond that, as a "k" of some fonts does; the layout counts it.
qreal naturalWidth(const QString& text, const QFont& font) {
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QStringView line : QStringView(text).split(QChar::LineSeparator)) {
        const QString trimmed = line.trimmed().toString();
        if (trimmed.isEmpty()) {
            continue;
        }
        const qreal overhang = std::max<qreal>(0, -metrics.rightBearing(trimmed.back()));
        widest = std::max(widest, metrics.horizontalAdvance(trimmed) + overhang);
    }
    return widest;
}

} // namespace

LineLimitedLabel::LineLimitedLabel(const QString& text, const QFont& font, const QColor& color,
                                   int maximumLines, QWidget* parent, Qt::TextElideMode elideMode)
    : QWidget(parent), m_text(text), m_shownText(textForLines(text, maximumLines)), m_color(color),
      m_maximumLines(maximumLines), m_elideMode(elideMode) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void LineLimitedLabel::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    m_shownText = textForLines(text, m_maximumLines);
    m_linesAtWidths.forget();
    if (m_laidOutHeight > 0) {
        m_laidOutHeight = heightForWidth(width());
    }
    updateGeometry();
    update();
}

void LineLimitedLabel::setPreferredWidthLimit(int pixels) {
    m_preferredWidthLimit = pixels;
    updateGeometry();
}

QStringList LineLimitedLabel::shownLines(int width) const {
    return m_linesAtWidths.at(width, [this](int atWidth) { return layOutLines(atWidth); });
}

QStringList LineLimitedLabel::layOutLines(int width) const {
    QStringList lines;
    QTextLayout layout(m_shownText, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (lines.size() < m_maximumLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        const bool last = lines.size() == m_maximumLines - 1;
        // The last line shown takes the rest of the text, cut with an ellipsis.
        const QString piece = last ? m_shownText.mid(line.textStart())
                                   : m_shownText.mid(line.textStart(), line.textLength());
        lines.append(last ? QFontMetricsF(font()).elidedText(piece.simplified(), m_elideMode, width)
                          : piece.trimmed());
    }
    layout.endLayout();
    return lines;
}

int LineLimitedLabel::heightForWidth(int width) const {
    const int count = std::max<qsizetype>(1, shownLines(width).size());
    return static_cast<int>(std::ceil(QFontMetricsF(font()).lineSpacing() * count));
}

QSize LineLimitedLabel::sizeHint() const {
    const int natural = static_cast<int>(std::ceil(naturalWidth(m_shownText, font())));
    const int width = std::min(natural, m_preferredWidthLimit);
    // Its height is fixed, so layouts take the hint's: once laid out, that of the lines at the
    // width given, not at the width it would like.
    return {width, m_laidOutHeight > 0 ? m_laidOutHeight : heightForWidth(width)};
}

QSize LineLimitedLabel::minimumSizeHint() const {
    return {0, static_cast<int>(std::ceil(QFontMetricsF(font()).lineSpacing()))};
}

void LineLimitedLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_linesAtWidths.forget();
    }
}

void LineLimitedLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int height = heightForWidth(width());
    if (height != m_laidOutHeight) {
        m_laidOutHeight = height;
        updateGeometry();
    }
}

void LineLimitedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(m_color);
    painter.setFont(font());
    const qreal lineSpacing = QFontMetricsF(font()).lineSpacing();
    qreal top = 0;
    for (const QString& line : shownLines(width())) {
        painter.drawText(QRectF(0, top, width(), lineSpacing), Qt::AlignLeft | Qt::AlignVCenter,
                         line);
        top += lineSpacing;
    }
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
