#pragma once

#include "data/contact.h"
#include "data/database.h"

#include <QColor>
#include <QList>
#include <QTemporaryDir>
#include <memory>

namespace norvane::testing {

// A temporary application folder with a real encrypted database and IMG/.
class TestFolder
{
public:
    // Makes the database and the photo folder unless told not to.
    explicit TestFolder(bool withDatabase = true);

    QString path() const { return m_dir.path(); }
    QString databasePath() const;
    QString photoPath(const QString& name) const;

    // Adds contacts through the store; returns them with their IDs.
    QList<Contact> add(const QList<Contact>& contacts) const;
    // Everything the table holds now, read through a fresh connection.
    QList<Contact> stored() const;

    // Makes the contact table again, empty, with the given column
    // definitions, as another program may have made it: its columns in
    // another order, columns of its own, another key or none.
    void replaceContactTable(const QByteArray& columns) const;
    // Runs SQL on the book through a connection of its own, as another
    // program would.
    void execute(const QString& sql) const;

    // Holds the write lock from a second connection, as another program
    // would, until the returned handle goes: every write of Norvane then fails.
    std::unique_ptr<Database> lockForWriting() const;

    // Writes a small picture file; different colours give different bytes.
    QString writePicture(const QString& path, const QColor& colour = Qt::red) const;

private:
    QTemporaryDir m_dir;
};

// The contact table's columns as another program may make them, the ID
// not the table's key: two contacts may share one, or have none.
inline constexpr const char* kColumnsWithoutIdKey =
    "ID INTEGER, NAME TEXT, ADDRESS TEXT, CONTACT TEXT, EMAIL TEXT, COMPANY TEXT, PROFILE TEXT";

// A file's bytes (empty when it cannot be read), and writing them whole.
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// A contact with the given texts (the rest empty).
Contact contact(const QString& name, const QString& number, const QString& address = {},
                const QString& email = {}, const QString& company = {},
                const QString& profile = {});

} // namespace norvane::testing
