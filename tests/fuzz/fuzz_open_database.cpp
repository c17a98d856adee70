// Opening a database file with bytes changed at places the input chooses:
// the connect fails with a reason or reads every contact exactly as stored.
#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/data_control.h"
#include "data/database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>

using namespace norvane;

namespace {

QTemporaryDir* g_folder = nullptr;
QByteArray g_good;
std::vector<Contact> g_contacts;

void writeFile(const QByteArray& bytes)
{
    QFile file(databaseFile(g_folder->path()));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_folder = new QTemporaryDir;
    const QString path = databaseFile(g_folder->path());
    createContactDatabase(path);
    for (int i = 0; i < 40; ++i) {
        Contact c;
        c.name = QStringLiteral("Person %1").arg(i);
        c.contact = QString::number(5550000 + i);
        g_contacts.push_back(c);
    }
    importContacts(g_folder->path(), g_contacts);
    {
        QString reason;
        Database::open(path, databasePassword(), reason)
            ->execute("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    g_good = file.readAll();
    return 0;
}

// The input is a list of changes: four bytes of offset and one byte to xor.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = g_good;
    for (size_t i = 0; i + 5 <= size; i += 5) {
        uint32_t offset;
        std::memcpy(&offset, data + i, sizeof offset);
        if (offset == 0xFFFFFFFFu) {
            bytes.truncate(data[i + 4] * 64);
            continue;
        }
        if (bytes.isEmpty()) {
            break; // truncated to nothing: no byte left to change
        }
        bytes[offset % bytes.size()] =
            static_cast<char>(bytes[offset % bytes.size()] ^ data[i + 4]);
    }
    QFile::remove(databaseFile(g_folder->path()) + QStringLiteral("-wal"));
    QFile::remove(databaseFile(g_folder->path()) + QStringLiteral("-shm"));
    writeFile(bytes);
    DataControl control;
    if (connectSequence(control, g_folder->path()).ok()) {
        RecordSet& records = *control.recordSet();
        if (records.rowCount() != static_cast<int>(g_contacts.size())) {
            std::abort();
        }
        for (int row = 0; row < records.rowCount(); ++row) {
            if (records.row(row).name != g_contacts[static_cast<size_t>(row)].name) {
                std::abort();
            }
        }
    }
    return 0;
}
