#pragma once

#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/database.h"

#include <memory>

namespace norvane {

// The address book in that folder, opened as Norvane opens it; null when it
// cannot be.
inline std::unique_ptr<Database> openBook(const QString& folder)
{
    QString reason;
    return Database::open(databaseFile(folder), databasePassword(), reason);
}

} // namespace norvane
