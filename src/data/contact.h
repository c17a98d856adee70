#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace norvane {

// The columns of tblYou in table order. The grid shows them in this order, so
// the hidden column 0 is the ID and the name is the first visible column.
enum class ContactColumn { Id, Name, Address, Contact, Email, Company, Profile };

inline constexpr int kContactColumnCount = 7;

// One row of tblYou. PROFILE is the photo's file name inside IMG/.
struct Contact
{
    qint64 id = 0;
    QString name;
    QString address;
    QString contact;
    QString email;
    QString company;
    QString profile;

    bool operator==(const Contact&) const = default;

    const QString& text(ContactColumn column) const;
    QString& text(ContactColumn column);
};

// Column names as the table spells them.
QString columnName(ContactColumn column);

// Finds a column by name without regard to letter case ("Name" is NAME).
std::optional<ContactColumn> columnFromName(QStringView name);

} // namespace norvane
