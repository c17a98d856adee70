#include "widgets/one_line_input.h"

#include "data/contact_columns.h"

#include <algorithm>

namespace {

bool hasLineBreak(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), norvane::isLineBreak);
}

} // namespace

OneLineInput::OneLineInput(QLineEdit* field, QString joiner)
    : QValidator(field), m_joiner(std::move(joiner)), m_shown(field->text())
{
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_shown = text; });
    field->setValidator(this);
}

QValidator::State OneLineInput::validate(QString& input, int& pos) const
{
    if (!hasLineBreak(input)) {
        return Acceptable;
    }
    // What was inserted ends at the caret, where a paste or a drop leaves it,
    // when the text after the caret was there before; otherwise (an undo, say) it
    // ends where the text stops being the same as before, read from the end.
    qsizetype insertedEnd = std::clamp<qsizetype>(pos, 0, input.size());
    if (!m_shown.endsWith(QStringView(input).sliced(insertedEnd))) {
        qsizetype sameAtEnd = 0;
        const qsizetype most = std::min(input.size(), m_shown.size());
        while (sameAtEnd < most &&
               input[input.size() - 1 - sameAtEnd] == m_shown[m_shown.size() - 1 - sameAtEnd]) {
            ++sameAtEnd;
        }
        insertedEnd = input.size() - sameAtEnd;
    }
    // It begins where the text stops being the same as before, read from
    // the beginning.
    const qsizetype most = std::min(insertedEnd, m_shown.size() - (input.size() - insertedEnd));
    qsizetype same = 0;
    while (same < most && input[same] == m_shown[same]) {
        ++same;
    }
    const QString line = norvane::onOneLine(input.sliced(same, insertedEnd - same), m_joiner);
    if (pos >= insertedEnd) {
        pos -= static_cast<int>(insertedEnd - same - line.size());
    } else if (pos > same) {
        pos = static_cast<int>(same + line.size());
    }
    input.replace(same, insertedEnd - same, line);
    return Acceptable;
}

void OneLineInput::setTextAsStored(QLineEdit* field, const QString& text)
{
    const QValidator* const filter = field->validator();
    field->setValidator(nullptr);
    field->setText(text);
    field->setValidator(filter);
}
