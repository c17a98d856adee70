#include "data/text_fold.h"

namespace norvane {

namespace {

bool isPlainAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

bool hasUpperAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z') {
            return true;
        }
    }
    return false;
}

} // namespace

QString foldForSearch(const QString& text)
{
    if (isPlainAscii(text)) {
        // Returning the text itself shares its storage: digits and lower-case
        // texts cost no memory when folded.
        return hasUpperAscii(text) ? text.toLower() : text;
    }
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString stripped;
    stripped.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing) {
            stripped.append(c);
        }
    }
    if (stripped.isEmpty()) {
        stripped = decomposed;
    }
    return stripped.toCaseFolded();
}

} // namespace norvane
