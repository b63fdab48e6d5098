#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace marlox::screens {

// A multi-line plain-text editor on a rounded field that shows a prompt while its text holds
// nothing but white space. The prompt lies under the editor, so a click on it places the caret.
//
// The text holds at most `maximumLength` characters: a paste or drop takes what still fits, and
// once the text comes within a tenth of the limit its count shows under it. Nothing is copied
// of the whole text as it changes: `text()` is asked for when the text is needed.
class PromptingTextEditor : public QWidget {
    Q_OBJECT

public:
    PromptingTextEditor(const QString& prompt, int maximumLength, QWidget* parent = nullptr);

    QString text() const;
    // Takes at most the first `maximumLength` characters.
    void setText(const QString& text);
    const QString& prompt() const { return m_prompt; }
    bool showsPrompt() const { return m_blank; }
    int maximumLength() const { return m_maximumLength; }
    // The number of characters the text holds.
    int length() const;

    QPlainTextEdit& editor() const { return *m_editor; }

signals:
    void textChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void contentsChanged(int position, int added);
    void trimTo(int end);

    QString m_prompt;
    int m_maximumLength;
    QPlainTextEdit* m_editor;
    QLabel* m_count;
    // Whether the text holds nothing but white space.
    bool m_blank = true;
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
