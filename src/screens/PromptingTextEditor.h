#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

namespace marlox::screens {

// A multi-line plain-text editor on a rounded field that shows a prompt while its text holds
// nothing but white space. The prompt lies under the editor, so a click on it places the caret.
class PromptingTextEditor : public QWidget {
    Q_OBJECT

public:
    explicit PromptingTextEditor(const QString& prompt, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    const QString& prompt() const { return m_prompt; }
    bool showsPrompt() const;

    QPlainTextEdit& editor() const { return *m_editor; }

signals:
    void textChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_prompt;
    QPlainTextEdit* m_editor;
};

// A one-line text field with the editor's look: the same rounded field, border and inner padding,
// and its placeholder in the colour of the editor's prompt.
class RoundedLineEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit RoundedLineEdit(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace marlox::screens
