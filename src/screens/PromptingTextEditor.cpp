#include "PromptingTextEditor.h"

#include "ui/AppFont.h"
#include "ui/AppTheme.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

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

} // namespace

PromptingTextEditor::PromptingTextEditor(const QString& prompt, QWidget* parent)
    : QWidget(parent), m_prompt(prompt), m_editor(new QPlainTextEdit(this)) {
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setFont(ui::appFont(13, QFont::Normal));
    // The field's own background shows through the editor, and the prompt with it.
    m_editor->setPalette(fieldPalette(m_editor->palette()));
    m_editor->viewport()->setAutoFillBackground(false);
    // The document's own margin brings the text to where the prompt starts.
    m_editor->document()->setDocumentMargin(promptPadding - editorPadding);
    setFocusProxy(m_editor);
    setFocusPolicy(Qt::ClickFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(editorPadding, editorPadding, editorPadding, editorPadding);
    layout->addWidget(m_editor);

    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        update();
        emit textChanged(text());
    });
}

QString PromptingTextEditor::text() const {
    return m_editor->toPlainText();
}

void PromptingTextEditor::setText(const QString& text) {
    m_editor->setPlainText(text);
}

bool PromptingTextEditor::showsPrompt() const {
    return text().trimmed().isEmpty();
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
