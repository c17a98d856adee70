#include "data/text_fold.h"

#include <algorithm>

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

// Decomposition works character by character, then sorts each run of marks
// by their combining class; every mark so sorted is dropped here unless it is
// a spacing one. So, short of such a spacing mark, a text's fold is its
// characters' folds end to end, and case folding never looks at neighbours.
SearchFolder::Piece SearchFolder::makePiece(char16_t c)
{
    Piece made;
    if (QChar::isSurrogate(c)) {
        made.state = kAwkward;
        return made;
    }
    const QString decomposed = QString(QChar(c)).normalized(QString::NormalizationForm_KD);
    QString kept;
    for (const QChar part : decomposed) {
        if (part.category() == QChar::Mark_NonSpacing) {
            continue;
        }
        if (part.combiningClass() != 0 || part.isSurrogate()) {
            made.state = kAwkward;
            return made;
        }
        kept.append(part);
    }
    kept = kept.toCaseFolded();
    if (kept.size() > 255) {
        made.state = kAwkward;
        return made;
    }
    made.from = static_cast<quint32>(m_pieces.size());
    made.length = static_cast<quint8>(kept.size());
    made.state = kPlain;
    m_pieces.append(kept);
    return made;
}

const SearchFolder::Piece& SearchFolder::piece(char16_t c)
{
    std::unique_ptr<Page>& page = m_pages[c >> 8];
    if (!page) {
        page = std::make_unique<Page>();
    }
    Piece& slot = (*page)[c & 0xff];
    if (slot.state == kUnknown) {
        slot = makePiece(c);
    }
    return slot;
}

QString SearchFolder::fold(QStringView text)
{
    QString buffer;
    const qsizetype length = foldInto(text, buffer);
    buffer.truncate(length);
    return buffer;
}

qsizetype SearchFolder::foldInto(QStringView text, QString& buffer)
{
    qsizetype used = 0;
    for (const QChar c : text) {
        const Piece& p = piece(c.unicode());
        if (p.state == kAwkward) {
            used = -1;
            break;
        }
        if (used + p.length > buffer.size()) {
            buffer.resize(std::max<qsizetype>(2 * (used + p.length), 64));
        }
        std::copy_n(m_pieces.constData() + p.from, p.length, buffer.data() + used);
        used += p.length;
    }
    if (used <= 0 && !text.isEmpty()) {
        // Awkward, or nothing left once accents were dropped.
        const QString folded = foldForSearch(text.toString());
        if (folded.size() > buffer.size()) {
            buffer.resize(folded.size());
        }
        std::copy_n(folded.constData(), folded.size(), buffer.data());
        return folded.size();
    }
    return used;
}

} // namespace norvane
