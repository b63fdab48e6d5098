#pragma once

#include "catalog/LibraryDisplayMode.h"
#include "ui/kit/ScreenParts.h"
#include "ui/plugins/LibraryFilters.h"

#include <QAbstractButton>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLineEdit;

// The controls of the Plugins screen's header and filter rows. Each shows the choice it is given
// and reports the user's choice; the screen decides what is selected.
namespace marlox::ui {

// The search box: the search glyph and a borderless one-line field with the placeholder
// "Search", 280 wide.
class LibrarySearchBox : public RoundedPanel {
    Q_OBJECT

public:
    explicit LibrarySearchBox(QWidget* parent = nullptr);
    QLineEdit* field() const { return m_field; }

private:
    QLineEdit* m_field;
};

// The type picker: one segment per type filter with a divider between neighbours, the selected
// one on the accent colour; at most 360 wide.
class PluginTypePicker : public RoundedPanel {
    Q_OBJECT

public:
    explicit PluginTypePicker(QWidget* parent = nullptr);
    void setSelected(PluginTypeFilter filter);
    QAbstractButton* segment(PluginTypeFilter filter) const;
    // The dividers, in order.
    QList<QWidget*> dividers() const { return m_dividers; }

signals:
    void chosen(PluginTypeFilter filter);

private:
    QList<QAbstractButton*> m_segments;
    QList<QWidget*> m_dividers;
};

// One button per display mode, the current one white with a black symbol; each names its mode in
// its hover help.
class DisplayModePicker : public RoundedPanel {
    Q_OBJECT

public:
    explicit DisplayModePicker(QWidget* parent = nullptr);
    void setSelected(catalog::LibraryDisplayMode mode);
    QAbstractButton* button(catalog::LibraryDisplayMode mode) const;

signals:
    void chosen(catalog::LibraryDisplayMode mode);

private:
    QList<QAbstractButton*> m_buttons;
};

// The install-filter pills, the selected one white with black text.
class LibraryFilterPills : public QWidget {
    Q_OBJECT

public:
    explicit LibraryFilterPills(QWidget* parent = nullptr);
    void setSelected(LibraryFilter filter);
    QAbstractButton* pill(LibraryFilter filter) const;

signals:
    void chosen(LibraryFilter filter);

private:
    QList<QAbstractButton*> m_pills;
};

// "Category" and a pop-up button of "All Categories" followed by the catalog's categories.
class CategoryMenu : public RoundedPanel {
    Q_OBJECT

public:
    explicit CategoryMenu(QWidget* parent = nullptr);
    // Replaces the entries when they differ and shows the selected one.
    void setCategories(const QStringList& categories, const QString& selected);
    QComboBox* picker() const { return m_picker; }

signals:
    // The value of the entry chosen: a category, or the sentinel for all of them.
    void chosen(const QString& category);

private:
    QComboBox* m_picker;
    QStringList m_categories;
};

} // namespace marlox::ui
