#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace marlox::ui {
class AppPillButton;
class FittingLabel;
class RoundedPanel;
enum class AppPillTone;
enum class AppPillSize;
} // namespace marlox::ui

namespace marlox::screens {

// The frame of the Settings, Support and Updates screens: the full-window background, and over
// it a vertically scrolling column padded 20 points (or as given), at most 860 points wide with
// its padding, centred in a wider window and shrinking with a narrower one.
class SectionScreen : public QWidget {
    Q_OBJECT

public:
    static constexpr int maximumColumnWidth = 860;
    static constexpr int columnPadding = 20;

    // `spacing` lies between the column's items.
    explicit SectionScreen(int spacing, QWidget* parent = nullptr, int padding = columnPadding);

    QWidget& column() const { return *m_column; }
    QScrollArea& scrollArea() const { return *m_scrollArea; }

protected:
    // The column's items, top to bottom; what is added lies above a closing stretch.
    void addToColumn(QWidget* widget);
    void paintEvent(QPaintEvent* event) override;

private:
    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_column = nullptr;
    QVBoxLayout* m_columnLayout = nullptr;
};

// A card of these screens: the card fill inside a rectangle of the radius, outlined in the
// hairline colour at the border width.
ui::RoundedPanel* screenCard(qreal cornerRadius, qreal borderWidth);

// The platform's orange of the dark appearance, for warnings that are no error.
QColor platformOrange();

// A label of plain text in the application font, wrapping, named for the tests.
ui::FittingLabel* plainTextLabel(const QString& text, qreal size, QFont::Weight weight,
                                 const QColor& color, const QString& objectName = {});
void setLabelColor(QLabel& label, const QColor& color);

// A pill button at its natural size, named for the tests.
ui::AppPillButton* pillButton(const QString& title, ui::AppPillTone tone, ui::AppPillSize size,
                              const QString& objectName);

} // namespace marlox::screens
