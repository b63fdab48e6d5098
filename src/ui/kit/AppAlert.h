#pragma once

#include <QDialog>
#include <QString>

class QAbstractButton;
class QLabel;

namespace marlox::ui {

class FittingLabel;

// A message the user acknowledges: a title, the message as plain text that wraps at a readable
// width and breaks inside a word too long for a line (a digest, a path, an address), so all of
// it can be read and selected, and an "OK" button. Return, Escape, OK and the window's close
// button all finish it.
class AppAlert : public QDialog {
    Q_OBJECT

public:
    enum class Icon { none, warning };
    static constexpr int messageWidth = 320;

    AppAlert(const QString& title, Icon icon, QWidget* parent);

    QString title() const;
    QString message() const;
    void setMessage(const QString& message);
    QAbstractButton* okButton() const { return m_ok; }

private:
    QLabel* m_title = nullptr;
    FittingLabel* m_message = nullptr;
    QAbstractButton* m_ok = nullptr;
};

} // namespace marlox::ui
