#include "ScreenLayout.h"

#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"

#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace marlox::screens {
namespace {

// Holds one item: as wide as the room up to the limit, centred, as tall as its width asks.
class CentredColumnLayout final : public QLayout {
public:
    CentredColumnLayout(QWidget* parent, int maximumWidth)
        : QLayout(parent), m_maximumWidth(maximumWidth) {
        setContentsMargins(0, 0, 0, 0);
    }
    ~CentredColumnLayout() override { delete m_item; }

    void addItem(QLayoutItem* item) override {
        delete m_item;
        m_item = item;
    }
    int count() const override { return m_item ? 1 : 0; }
    QLayoutItem* itemAt(int index) const override { return index == 0 ? m_item : nullptr; }
    QLayoutItem* takeAt(int index) override {
        QLayoutItem* taken = index == 0 ? m_item : nullptr;
        if (taken) {
            m_item = nullptr;
        }
        return taken;
    }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return m_item && m_item->hasHeightForWidth(); }
    int heightForWidth(int width) const override {
        return m_item ? m_item->heightForWidth(columnWidth(width)) : 0;
    }
    QSize sizeHint() const override {
        return m_item ? m_item->sizeHint().boundedTo(QSize(m_maximumWidth, QWIDGETSIZE_MAX))
                      : QSize();
    }
    QSize minimumSize() const override { return m_item ? m_item->minimumSize() : QSize(); }
    void setGeometry(const QRect& rect) override {
        QLayout::setGeometry(rect);
        if (!m_item) {
            return;
        }
        const int width = columnWidth(rect.width());
        m_item->setGeometry(
            QRect(rect.left() + (rect.width() - width) / 2, rect.top(), width, rect.height()));
    }

private:
    int columnWidth(int room) const { return std::min(room, m_maximumWidth); }

    int m_maximumWidth;
    QLayoutItem* m_item = nullptr;
};

} // namespace

SectionScreen::SectionScreen(int spacing, QWidget* parent, int padding) : QWidget(parent) {
    ui::useDarkAppearance(this);
    m_scrollArea = ui::screenScrollArea(this, QStringLiteral("screenScrollArea"));

    auto* host = new QWidget;
    auto* hostLayout = new CentredColumnLayout(host, maximumColumnWidth);
    m_column = new QWidget;
    m_column->setObjectName(QStringLiteral("screenColumn"));
    m_columnLayout =
        ui::verticalLayout(m_column, spacing, QMargins(padding, padding, padding, padding));
    m_columnLayout->addStretch(1);
    hostLayout->addWidget(m_column);
    ui::replaceScrollContent(m_scrollArea, host);
}

void SectionScreen::addToColumn(QWidget* widget) {
    m_columnLayout->insertWidget(m_columnLayout->count() - 1, widget);
}

void SectionScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ui::paintAppSectionBackground(painter, rect());
}

ui::RoundedPanel* screenCard(qreal cornerRadius, qreal borderWidth) {
    return new ui::RoundedPanel(cornerRadius, ui::AppPalette::panel(), ui::AppPalette::hairline(),
                                borderWidth);
}

QColor platformOrange() {
    return QColor(255, 159, 10);
}

ui::FittingLabel* plainTextLabel(const QString& text, qreal size, QFont::Weight weight,
                                 const QColor& color, const QString& objectName) {
    ui::FittingLabel* label = ui::plainLabel(text, size, weight, color, true);
    label->setObjectName(objectName);
    return label;
}

void setLabelColor(QLabel& label, const QColor& color) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label.setPalette(palette);
}

ui::AppPillButton* pillButton(const QString& title, ui::AppPillTone tone, ui::AppPillSize size,
                              const QString& objectName) {
    auto* button = new ui::AppPillButton(title, {tone, size});
    button->setObjectName(objectName);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

} // namespace marlox::screens
