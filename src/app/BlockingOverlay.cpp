#include "app/BlockingOverlay.h"

#include "app/OpacityFade.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"

#include <QPainter>
#include <QVBoxLayout>

#include <vector>

namespace marlox::app {
namespace {

constexpr int cardPadding = 24;
constexpr qreal cardCornerRadius = 24;
// The card's shadow: black at 0.25, blurred over 24 points, 12 points down.
constexpr qreal shadowOpacity = 0.25;
constexpr int shadowBlurRadius = 24;
constexpr int shadowOffsetY = 12;

// The card: a rounded rectangle of the card colour with a hairline border, casting a soft shadow.
class OverlayCard final : public QWidget {
public:
    OverlayCard(int width, int spacing, QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("overlayCard"));
        setFixedWidth(width);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
        layout->setSpacing(spacing);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        ui::paintFilledOutline(
            painter,
            ui::roundedRectPath(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardCornerRadius),
            ui::AppPalette::panel(), ui::AppPalette::hairline());
    }
};

// One pass of a box blur along rows (or columns) of an alpha plane.
void boxBlurPass(std::vector<int>& alpha, int width, int height, int radius, bool alongRows) {
    const int lines = alongRows ? height : width;
    const int length = alongRows ? width : height;
    const int stride = alongRows ? 1 : width;
    std::vector<int> line(static_cast<size_t>(length));
    for (int lineIndex = 0; lineIndex < lines; ++lineIndex) {
        const int start = alongRows ? lineIndex * width : lineIndex;
        for (int index = 0; index < length; ++index) {
            line[static_cast<size_t>(index)] = alpha[static_cast<size_t>(start + index * stride)];
        }
        int sum = 0;
        for (int index = -radius; index <= radius; ++index) {
            sum += index >= 0 && index < length ? line[static_cast<size_t>(index)] : 0;
        }
        const int window = 2 * radius + 1;
        for (int index = 0; index < length; ++index) {
            alpha[static_cast<size_t>(start + index * stride)] = sum / window;
            const int leaving = index - radius;
            const int entering = index + radius + 1;
            sum -= leaving >= 0 ? line[static_cast<size_t>(leaving)] : 0;
            sum += entering < length ? line[static_cast<size_t>(entering)] : 0;
        }
    }
}

// The card's rounded shape in black, softened by three box blurs (close to a Gaussian whose
// spread is half the blur radius), with room around it for the blur.
QImage blurredShadow(const QSize& cardSize) {
    const int margin = shadowBlurRadius * 3 / 2;
    const QSize size = cardSize + QSize(2 * margin, 2 * margin);
    QImage shape(size, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(
            ui::roundedRectPath(QRectF(QPointF(margin, margin), cardSize), cardCornerRadius),
            Qt::black);
    }
    const int width = size.width();
    const int height = size.height();
    std::vector<int> alpha(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shape.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            alpha[static_cast<size_t>(y * width + x)] = qAlpha(line[x]);
        }
    }
    const int passRadius = shadowBlurRadius / 2;
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurPass(alpha, width, height, passRadius, true);
        boxBlurPass(alpha, width, height, passRadius, false);
    }
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(shape.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[x] = qRgba(0, 0, 0, alpha[static_cast<size_t>(y * width + x)]);
        }
    }
    return shape;
}

} // namespace

BlockingOverlay::BlockingOverlay(int level, int cardWidth, int cardSpacing, QWidget* parent)
    : ui::BlockingLayer(level, parent), m_card(new OverlayCard(cardWidth, cardSpacing, this)),
      m_fade(new OpacityFade(*this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_card, 0, Qt::AlignCenter);
}

QBoxLayout* BlockingOverlay::cardLayout() const {
    return static_cast<QBoxLayout*>(m_card->layout());
}

QBoxLayout* BlockingOverlay::addHeading(const QString& title, const QString& explanation) {
    auto* heading = new QVBoxLayout;
    heading->setSpacing(10);
    auto* titleLabel =
        ui::plainLabel(title, 28, QFont::DemiBold, ui::AppPalette::textPrimary(), false, m_card);
    titleLabel->setObjectName(QStringLiteral("overlayTitle"));
    auto* explanationLabel = ui::plainLabel(explanation, 15, QFont::Normal,
                                            ui::AppPalette::textSecondary(), true, m_card);
    explanationLabel->setObjectName(QStringLiteral("overlayExplanation"));
    heading->addWidget(titleLabel);
    heading->addWidget(explanationLabel);
    cardLayout()->addLayout(heading);
    return heading;
}

void BlockingOverlay::addButtonBar(QWidget* button) {
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addStretch(1);
    bar->addWidget(button, 0, Qt::AlignVCenter);
    cardLayout()->addLayout(bar);
}

bool BlockingOverlay::isFading() const {
    return m_fade->isRunning();
}

void BlockingOverlay::appear() {
    m_fade->fadeIn();
}

void BlockingOverlay::disappear() {
    m_fade->fadeOut();
}

void BlockingOverlay::paintEvent(QPaintEvent* event) {
    ui::BlockingLayer::paintEvent(event);
    QPainter painter(this);
    if (m_shadow.isNull() || m_shadowCardSize != m_card->size()) {
        m_shadowCardSize = m_card->size();
        m_shadow = blurredShadow(m_shadowCardSize);
    }
    const int margin = (m_shadow.width() - m_shadowCardSize.width()) / 2;
    painter.setOpacity(shadowOpacity);
    painter.drawImage(m_card->pos() + QPoint(-margin, shadowOffsetY - margin), m_shadow);
}

} // namespace marlox::app
