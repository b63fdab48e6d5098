#include "ui/plugins/LibraryControls.h"

#include "catalog/CatalogManifest.h"
#include "ui/kit/AppControls.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/StudioIcon.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/plugins/LibraryPresentation.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <cmath>

namespace marlox::ui {
namespace {

QSize textSize(const QFont& font, const QString& text, qreal horizontalPadding,
               qreal verticalPadding) {
    const QFontMetricsF metrics(font);
    return QSize(
        static_cast<int>(std::ceil(metrics.horizontalAdvance(text) + 2 * horizontalPadding)),
        static_cast<int>(std::ceil(metrics.height() + 2 * verticalPadding)));
}

// A segment of the type picker: its title on the accent colour when selected.
class TypeSegment : public QAbstractButton {
public:
    explicit TypeSegment(const QString& title) {
        setText(title);
        setCheckable(true);
        setAutoExclusive(true);
        setFixedHeight(28);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return textSize(font(), text(), 10, 0).expandedTo({0, 28}); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isChecked()) {
            painter.fillPath(roundedRectPath(rect(), 10), AppPalette::accent());
        }
        painter.setFont(appFont(13, QFont::DemiBold));
        painter.setPen(isChecked() ? QColor(Qt::white) : AppPalette::textPrimary());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    }
};

// The hairline between two segments.
class SegmentDivider : public QWidget {
public:
    SegmentDivider() {
        setFixedSize(21, 18);
        setObjectName(QStringLiteral("typeDivider"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(10, 0, 1, 18), AppPalette::hairline());
    }
};

// A display-mode button: the mode's symbol, on white when it is the current mode.
class DisplayModeButton : public QAbstractButton {
public:
    explicit DisplayModeButton(catalog::LibraryDisplayMode mode)
        : m_symbol(displayModeSymbolName(mode)) {
        setCheckable(true);
        setAutoExclusive(true);
        setFixedSize(30, 30);
        setToolTip(displayModeHelpText(mode));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // Nearly clear but not clear, so that the whole square takes clicks as it does selected.
        painter.fillPath(roundedRectPath(rect(), 8),
                         isChecked() ? QColor(Qt::white) : withOpacity(Qt::white, 0.001));
        const QRectF symbol(QRectF(rect()).center() - QPointF(6.5, 6.5), QSizeF(13, 13));
        drawSymbol(painter, symbol, m_symbol,
                   isChecked() ? QColor(Qt::black) : AppPalette::textSecondary(), QFont::DemiBold);
    }

private:
    QString m_symbol;
};

// An install-filter pill: white with black text when selected, faintly filled otherwise.
class FilterPill : public QAbstractButton {
public:
    explicit FilterPill(const QString& title) {
        setText(title);
        setCheckable(true);
        setAutoExclusive(true);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return textSize(titleFont(), text(), 14, 8); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(capsulePath(rect()),
                         isChecked() ? QColor(Qt::white) : AppPalette::hairlineSoft());
        painter.setFont(titleFont());
        painter.setPen(isChecked() ? QColor(Qt::black) : AppPalette::textPrimary());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    }

private:
    static QFont titleFont() { return appFont(13, QFont::Medium); }
};

template <typename Choice, size_t count>
void check(const QList<QAbstractButton*>& buttons, const std::array<Choice, count>& choices,
           Choice selected) {
    for (size_t index = 0; index < count; ++index) {
        buttons[static_cast<qsizetype>(index)]->setChecked(choices[index] == selected);
    }
}

} // namespace

LibrarySearchBox::LibrarySearchBox(QWidget* parent)
    : RoundedPanel(10, AppPalette::panel(), AppPalette::hairline(), 1, parent),
      m_field(new QLineEdit) {
    setObjectName(QStringLiteral("searchBox"));
    setFixedWidth(280);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setPlaceholderText(QStringLiteral("Search"));
    m_field->setFrame(false);
    m_field->setFont(appFont(14, QFont::Normal));
    // The field has no background of its own: the box's shows through.
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_field->setPalette(palette);
    auto* layout = horizontalLayout(this, 8, QMargins(12, 8, 12, 8));
    layout->addWidget(new StudioIcon(StudioGlyph::search, 14,
                                     opaqueOver(AppPalette::textSecondary(), AppPalette::panel()),
                                     1.45));
    layout->addWidget(m_field, 1);
}

PluginTypePicker::PluginTypePicker(QWidget* parent)
    : RoundedPanel(12, AppPalette::panel(), AppPalette::hairline(), 1, parent) {
    setObjectName(QStringLiteral("typePicker"));
    setMaximumWidth(360);
    setFixedHeight(36);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = horizontalLayout(this, 0, QMargins(4, 4, 4, 4));
    for (PluginTypeFilter filter : allPluginTypeFilters) {
        if (!m_segments.isEmpty()) {
            m_dividers.append(new SegmentDivider);
            layout->addWidget(m_dividers.last());
        }
        auto* segment = new TypeSegment(title(filter));
        segment->setObjectName(QStringLiteral("typeFilter:") + rawValue(filter));
        connect(segment, &QAbstractButton::clicked, this, [this, filter] { emit chosen(filter); });
        m_segments.append(segment);
        layout->addWidget(segment, 1);
    }
}

void PluginTypePicker::setSelected(PluginTypeFilter filter) {
    check(m_segments, allPluginTypeFilters, filter);
}

QAbstractButton* PluginTypePicker::segment(PluginTypeFilter filter) const {
    return m_segments[static_cast<qsizetype>(filter)];
}

DisplayModePicker::DisplayModePicker(QWidget* parent)
    : RoundedPanel(10, AppPalette::panel(), AppPalette::hairline(), 1, parent) {
    setObjectName(QStringLiteral("displayModePicker"));
    setFixedHeight(42);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = horizontalLayout(this, 4, QMargins(4, 4, 4, 4));
    for (catalog::LibraryDisplayMode mode : catalog::allLibraryDisplayModes) {
        auto* button = new DisplayModeButton(mode);
        button->setObjectName(QStringLiteral("displayMode:") + catalog::rawValue(mode));
        connect(button, &QAbstractButton::clicked, this, [this, mode] { emit chosen(mode); });
        m_buttons.append(button);
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
}

void DisplayModePicker::setSelected(catalog::LibraryDisplayMode mode) {
    check(m_buttons, catalog::allLibraryDisplayModes, mode);
}

QAbstractButton* DisplayModePicker::button(catalog::LibraryDisplayMode mode) const {
    return m_buttons[static_cast<qsizetype>(mode)];
}

LibraryFilterPills::LibraryFilterPills(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("filterPills"));
    auto* layout = horizontalLayout(this, 8);
    for (LibraryFilter filter : allLibraryFilters) {
        auto* pill = new FilterPill(title(filter));
        pill->setObjectName(QStringLiteral("libraryFilter:") + rawValue(filter));
        connect(pill, &QAbstractButton::clicked, this, [this, filter] { emit chosen(filter); });
        m_pills.append(pill);
        layout->addWidget(pill);
    }
    layout->addStretch(1);
}

void LibraryFilterPills::setSelected(LibraryFilter filter) {
    check(m_pills, allLibraryFilters, filter);
}

QAbstractButton* LibraryFilterPills::pill(LibraryFilter filter) const {
    return m_pills[static_cast<qsizetype>(filter)];
}

CategoryMenu::CategoryMenu(QWidget* parent)
    : RoundedPanel(10, AppPalette::panel(), AppPalette::hairline(), 1, parent),
      m_picker(new AppPicker) {
    setObjectName(QStringLiteral("categoryMenu"));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    QLabel* label =
        plainLabel(QStringLiteral("Category"), 12, QFont::Medium, AppPalette::textSecondary());
    m_picker->setObjectName(QStringLiteral("categoryPicker"));
    m_picker->setAccessibleName(QStringLiteral("Category"));
    m_picker->addItem(QStringLiteral("All Categories"), allCategoriesSentinel);
    auto* layout = horizontalLayout(this, 8, QMargins(10, 7, 10, 7));
    layout->addWidget(label);
    layout->addWidget(m_picker);
    connect(m_picker, &QComboBox::activated, this,
            [this](int index) { emit chosen(m_picker->itemData(index).toString()); });
}

void CategoryMenu::setCategories(const QStringList& categories, const QString& selected) {
    if (categories != m_categories) {
        m_categories = categories;
        m_picker->clear();
        m_picker->addItem(QStringLiteral("All Categories"), allCategoriesSentinel);
        for (const QString& category : categories) {
            m_picker->addItem(catalog::shownCategory(category), category);
        }
    }
    // The first entry of that value: a category spelled like the sentinel is all categories.
    m_picker->setCurrentIndex(std::max(0, m_picker->findData(selected)));
}

} // namespace marlox::ui
