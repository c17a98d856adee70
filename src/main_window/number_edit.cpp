#include "main_window/number_edit.h"

#include "contacts/digit_filter.h"

#include <QKeyEvent>
#include <QMimeData>

NumberEdit::NumberEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, &NumberEdit::enforceMaxLength);
}

void NumberEdit::setMaxLength(int length)
{
    m_maxLength = length;
    enforceMaxLength();
}

std::int16_t NumberEdit::keyCode(const QString& typed)
{
    const char16_t unit = typed.at(0).unicode();
    return unit < 256 ? static_cast<std::int16_t>(unit) : std::int16_t{'?'};
}

void NumberEdit::keyPressEvent(QKeyEvent* event)
{
    // Shortcuts (copy, paste, cut, undo) and keys that type nothing are not characters.
    const bool typesCharacter = !event->text().isEmpty() &&
                                !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                                event->text().at(0).unicode() >= 32;
    if (typesCharacter && DigitFilter(keyCode(event->text())) == 0) {
        event->accept();
        return;
    }
    if (typesCharacter && toPlainText().size() >= m_maxLength && !textCursor().hasSelection()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NumberEdit::insertFromMimeData(const QMimeData* source)
{
    if (!source->hasText()) {
        return;
    }
    const int selected = textCursor().selectedText().size();
    const int room = m_maxLength - static_cast<int>(toPlainText().size()) + selected;
    if (room > 0) {
        textCursor().insertText(source->text().left(room));
    }
}

// Catches any way text can arrive (typing over a selection, drops, setPlainText).
void NumberEdit::enforceMaxLength()
{
    const QString text = toPlainText();
    if (text.size() <= m_maxLength) {
        return;
    }
    // Never cut a character in half: a surrogate pair goes whole or not at all.
    const int keep = text.at(m_maxLength - 1).isHighSurrogate() ? m_maxLength - 1 : m_maxLength;
    QTextCursor cursor = textCursor();
    const int position = std::min(cursor.position(), keep);
    setPlainText(text.left(keep));
    cursor = textCursor();
    cursor.setPosition(position);
    setTextCursor(cursor);
}
