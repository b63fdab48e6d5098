#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QString>
#include <QWidget>

#include <optional>

namespace marlox::ui {

// The standard controls of the platform, drawn in our own colours so that no screen depends on
// the machine's widget style.
enum class AppControlSize { small, regular, large };

// A push button in the two platform looks the screens ask for: "bordered" (a light grey rounded
// rectangle with white text) and "bordered prominent" (filled with the accent blue). Its text is
// plain, in appFont(13, regular) unless a font is set. Disabled, the whole button is drawn at
// 0.4 opacity; pressed, the fill deepens. Return and Enter click it while it has focus, as Space
// does.
class AppButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Look { bordered, borderedProminent };

    struct Metrics {
        qreal height;
        qreal horizontalPadding;
        qreal cornerRadius;
    };
    static Metrics metrics(AppControlSize size);
    // The fill for a look in each state.
    static QColor fill(Look look, bool pressed);

    AppButton(const QString& text, Look look, AppControlSize size = AppControlSize::regular,
              QWidget* parent = nullptr);

    Look look() const { return m_look; }
    void setLabelFont(const QFont& font);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFont labelFont() const;

    Look m_look;
    AppControlSize m_size;
    std::optional<QFont> m_labelFont;
};

// A menu picker as wide as its longest entry, up to an entry of widestPreferredText, while its
// row has the room; in less it asks for the room of a short word. The chosen entry ends in "…"
// where it is cut.
class AppPicker : public QComboBox {
    Q_OBJECT

public:
    explicit AppPicker(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The list opens inside the picker's window, however long its entries.
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize sizeWithEntryOf(int width) const;
};

} // namespace marlox::ui
