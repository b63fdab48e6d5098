#include "PromptingTextEditor.h"

#include "base/ShownText.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"

#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace marlox::screens {
namespace {

constexpr qreal cornerRadius = 12;
constexpr int promptPadding = 12;
constexpr int editorPadding = 8;
// What a line edit without a frame keeps of its own around the text.
constexpr int lineEditHorizontalMargin = 2;
constexpr int lineEditVerticalMargin = 1;
constexpr int lineEditVerticalPadding = 8;

// The rounded field with its border, under the text.
void paintField(QPainter& painter, const QRect& rect) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape =
        ui::roundedRectPath(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius);
    painter.fillPath(shape, ui::withOpacity(Qt::white, 0.05));
    painter.strokePath(shape, QPen(ui::AppPalette::hairline(), 1));
}

// Text in the primary colour on whatever the field is drawn on.
QPalette fieldPalette(QPalette palette) {
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, ui::AppPalette::textPrimary());
    palette.setColor(QPalette::PlaceholderText, ui::AppPalette::textSecondary());
    return palette;
}

// A paste or a drop takes only what still fits, so that a text far over the limit is never laid
// out whole: an unbroken line of two million characters holds the window for minutes.
class LimitedPlainTextEdit final : public QPlainTextEdit {
public:
    LimitedPlainTextEdit(int maximumLength, QWidget* parent)
        : QPlainTextEdit(parent), m_maximumLength(maximumLength) {}

protected:
    void insertFromMimeData(const QMimeData* source) override {
        if (!source->hasText()) {
            return;
        }
        const QTextCursor cursor = textCursor();
        const int length = document()->characterCount() - 1;
        const int selected = cursor.selectionEnd() - cursor.selectionStart();
        textCursor().insertText(
            base::leadingCharacters(source->text(), m_maximumLength - length + selected));
        ensureCursorVisible();
    }

private:
    int m_maximumLength;
};

} // namespace

PromptingTextEditor::PromptingTextEditor(const QString& prompt, int maximumLength, QWidget* parent)
    : QWidget(parent), m_prompt(prompt), m_maximumLength(maximumLength),
      m_editor(new LimitedPlainTextEdit(maximumLength, this)),
      m_count(ui::plainLabel(QString(), 11, QFont::Normal, ui::AppPalette::textSecondary())) {
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setFont(ui::appFont(13, QFont::Normal));
    // The field's own background shows through the editor, and the prompt with it.
    m_editor->setPalette(fieldPalette(m_editor->palette()));
    m_editor->viewport()->setAutoFillBackground(false);
    // The document's own margin brings the text to where the prompt starts.
    m_editor->document()->setDocumentMargin(promptPadding - editorPadding);
    setFocusProxy(m_editor);
    setFocusPolicy(Qt::ClickFocus);
    m_count->setObjectName(QStringLiteral("characterCount"));
    m_count->setAlignment(Qt::AlignRight);
    m_count->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(editorPadding, editorPadding, editorPadding, editorPadding);
    layout->setSpacing(2);
    layout->addWidget(m_editor);
    layout->addWidget(m_count);

    connect(m_editor->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { contentsChanged(position, added); });
}

QString PromptingTextEditor::text() const {
    return m_editor->toPlainText();
}

void PromptingTextEditor::setText(const QString& text) {
    m_editor->setPlainText(base::leadingCharacters(text, m_maximumLength));
}

int PromptingTextEditor::length() const {
    return m_editor->document()->characterCount() - 1;
}

void PromptingTextEditor::contentsChanged(int position, int added) {
    // Typing or an input method may still pass the limit by a little; the excess goes once the
    // change is over, as the document must not be edited while it reports one.
    if (length() > m_maximumLength) {
        const int end = position + added;
        QMetaObject::invokeMethod(
            this, [this, end] { trimTo(end); }, Qt::QueuedConnection);
    }
    // Blank until a character other than white space: a look at the first few characters of
    // any real text, with no copy of it.
    const QTextDocument& document = *m_editor->document();
    m_blank = true;
    for (int index = 0, count = length(); m_blank && index < count; ++index) {
        m_blank = document.characterAt(index).isSpace();
    }
    const int shown = length();
    const bool nearTheLimit = qint64(shown) * 10 >= qint64(m_maximumLength) * 9;
    if (nearTheLimit) {
        const QLocale locale;
        m_count->setText(locale.toString(shown) + QStringLiteral(" / ") +
                         locale.toString(m_maximumLength));
    }
    m_count->setVisible(nearTheLimit);
    update();
    emit textChanged();
}

void PromptingTextEditor::trimTo(int end) {
    const int excess = length() - m_maximumLength;
    if (excess <= 0) {
        return;
    }
    QTextDocument* document = m_editor->document();
    const int stop = std::clamp(end, excess, length());
    int start = stop - excess;
    if (start > 0 && document->characterAt(start).isLowSurrogate()) {
        --start;
    }
    QTextCursor cursor(document);
    cursor.setPosition(start);
    cursor.setPosition(stop, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void PromptingTextEditor::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintField(painter, rect());
    if (showsPrompt()) {
        painter.setFont(ui::appFont(13, QFont::Normal));
        painter.setPen(ui::AppPalette::textSecondary());
        painter.drawText(
            rect().adjusted(promptPadding, promptPadding, -promptPadding, -promptPadding),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_prompt);
    }
}

RoundedLineEdit::RoundedLineEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setFont(ui::appFont(13, QFont::Normal));
    setPalette(fieldPalette(palette()));
    const int horizontal = promptPadding - lineEditHorizontalMargin;
    const int vertical = lineEditVerticalPadding - lineEditVerticalMargin;
    setTextMargins(horizontal, vertical, horizontal, vertical);
}

void RoundedLineEdit::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        paintField(painter, rect());
    }
    QLineEdit::paintEvent(event);
}

} // namespace marlox::screens
