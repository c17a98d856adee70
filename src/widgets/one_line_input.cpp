#include "widgets/one_line_input.h"

#include <algorithm>

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(0x0085) || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

QString onOneLine(QStringView inserted, const QString& joiner)
{
    qsizetype first = 0;
    qsizetype end = inserted.size();
    while (first < end && isLineBreak(inserted[first])) {
        ++first;
    }
    while (end > first && isLineBreak(inserted[end - 1])) {
        --end;
    }
    QString line;
    line.reserve(end - first);
    for (qsizetype i = first; i < end; ++i) {
        if (!isLineBreak(inserted[i])) {
            line.append(inserted[i]);
        } else if (!isLineBreak(inserted[i - 1])) {
            line.append(joiner);
        }
    }
    return line;
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
    if (std::none_of(input.cbegin(), input.cend(), isLineBreak)) {
        return Acceptable;
    }
    // The inserted text lies between what the change left the same at the
    // beginning and at the end.
    const qsizetype most = std::min(input.size(), m_shown.size());
    qsizetype same = 0;
    while (same < most && input[same] == m_shown[same]) {
        ++same;
    }
    qsizetype sameAtEnd = 0;
    while (sameAtEnd < most - same &&
           input[input.size() - 1 - sameAtEnd] == m_shown[m_shown.size() - 1 - sameAtEnd]) {
        ++sameAtEnd;
    }
    const qsizetype insertedEnd = input.size() - sameAtEnd;
    const QString line = onOneLine(QStringView(input).sliced(same, insertedEnd - same), m_joiner);
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
