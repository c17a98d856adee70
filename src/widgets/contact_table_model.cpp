#include "widgets/contact_table_model.h"

#include "data/record_set.h"

#include <optional>

namespace norvane {

namespace {

// Texts this long or longer are left to Qt, so that a value's shown
// beginning (see shownText) always holds what is compared.
constexpr qsizetype kLongestFastPrefix = 256;

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text lower-cased, when it is plain ASCII and short; none otherwise.
std::optional<QByteArray> foldedAsciiPrefix(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    const QString text = value.toString();
    if (text.isEmpty() || text.size() >= kLongestFastPrefix) {
        return std::nullopt;
    }
    QByteArray folded(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() >= 0x80) {
            return std::nullopt;
        }
        folded[i] = asciiLower(static_cast<char>(text[i].unicode()));
    }
    return folded;
}

// Whether a stored value starts with an ASCII prefix, lower-cased, without
// regard to case, as QString::startsWith tells it. None when the value's
// beginning is not ASCII: a character outside ASCII may still fold to an
// ASCII letter (the Kelvin sign to "k"), and only Qt tells that.
std::optional<bool> startsWithAscii(QByteArrayView value, QByteArrayView prefix)
{
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (i == value.size()) {
            return false;
        }
        if (static_cast<unsigned char>(value[i]) >= 0x80) {
            return std::nullopt;
        }
        if (asciiLower(value[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

ContactTableModel::ContactTableModel(RecordSet* records, QObject* parent)
    : QAbstractTableModel(parent), m_records(records)
{
    connect(records, &RecordSet::aboutToReset, this, &ContactTableModel::beginResetModel);
    connect(records, &RecordSet::wasReset, this, &ContactTableModel::endResetModel);
}

int ContactTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_records->rowCount();
}

int ContactTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kContactColumnCount;
}

QVariant ContactTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const auto column = static_cast<ContactColumn>(index.column());
    if (column == ContactColumn::Id) {
        return m_records->id(index.row());
    }
    return m_records->shownText(index.row(), column).text;
}

QModelIndexList ContactTableModel::match(const QModelIndex& start, int role, const QVariant& value,
                                         int hits, Qt::MatchFlags flags) const
{
    const auto matchType = (flags & Qt::MatchTypeMask).toInt();
    const std::optional<QByteArray> prefix = foldedAsciiPrefix(value);
    if (role != Qt::DisplayRole || matchType != Qt::MatchStartsWith ||
        flags.testAnyFlags(Qt::MatchCaseSensitive | Qt::MatchRecursive) || !prefix ||
        !checkIndex(start, CheckIndexOption::IndexIsValid) ||
        static_cast<ContactColumn>(start.column()) == ContactColumn::Id) {
        return QAbstractTableModel::match(start, role, value, hits, flags);
    }
    const auto column = static_cast<ContactColumn>(start.column());
    const QString text = value.toString();
    QModelIndexList found;
    // From the start row to the end, then, wrapping, from the top to it.
    auto search = [&](int from, int to) {
        for (int row = from; row < to && (hits == -1 || found.size() < hits); ++row) {
            const std::optional<bool> starts =
                startsWithAscii(m_records->utf8(row, column), *prefix);
            if (starts.value_or(false) ||
                (!starts &&
                 m_records->shownText(row, column).text.startsWith(text, Qt::CaseInsensitive))) {
                found.append(index(row, start.column()));
            }
        }
    };
    search(start.row(), rowCount());
    if (flags.testFlag(Qt::MatchWrap)) {
        search(0, start.row());
    }
    return found;
}

QVariant ContactTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    const QStringList names = m_records->columnNames();
    if (section < names.size()) {
        return names.at(section);
    }
    return section < kContactColumnCount ? columnName(static_cast<ContactColumn>(section))
                                         : QVariant();
}

} // namespace norvane
