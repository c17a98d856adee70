#include "crash_contact.h"

namespace norvane::testing {

Contact crashContact(int i)
{
    Contact c;
    const QString tag = QString::number(i);
    c.name = QStringLiteral("Crash Person ") + tag;
    c.address = tag + QStringLiteral(" Harbour Road, Leith");
    c.contact = QStringLiteral("0770090") + tag;
    c.email = QStringLiteral("person") + tag + QStringLiteral("@example.com");
    c.company = QStringLiteral("Firm ") + tag;
    c.profile = tag + QStringLiteral(".jpg");
    return c;
}

} // namespace norvane::testing
