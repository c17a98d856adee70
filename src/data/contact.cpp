#include "data/contact.h"

namespace norvane {

namespace {
constexpr std::array<const char*, kContactColumnCount> kNames = {
    "ID", "NAME", "ADDRESS", "CONTACT", "EMAIL", "COMPANY", "PROFILE"};
}

const QString& Contact::text(ContactColumn column) const
{
    return const_cast<Contact*>(this)->text(column);
}

QString& Contact::text(ContactColumn column)
{
    switch (column) {
    case ContactColumn::Name:
        return name;
    case ContactColumn::Address:
        return address;
    case ContactColumn::Contact:
        return contact;
    case ContactColumn::Email:
        return email;
    case ContactColumn::Company:
        return company;
    case ContactColumn::Profile:
        break;
    case ContactColumn::Id:
        Q_ASSERT_X(false, "Contact::text", "the ID is a number, not a text column");
        break;
    }
    return profile;
}

QString columnName(ContactColumn column)
{
    return QString::fromLatin1(kNames[static_cast<std::size_t>(column)]);
}

std::optional<ContactColumn> columnFromName(QStringView name)
{
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (name.compare(QLatin1String(kNames[i]), Qt::CaseInsensitive) == 0) {
            return static_cast<ContactColumn>(i);
        }
    }
    return std::nullopt;
}

} // namespace norvane
