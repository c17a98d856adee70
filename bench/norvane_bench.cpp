// norvane-bench: Norvane's speed and memory at 10,000, 100,000 and 1,000,000
// contacts, each operation beside the floor of the same kind of work done
// without Norvane: a raw open, key and full read into one buffer per column,
// and a plain substring scan over a lower-cased copy of the searched column.
//
// Every size runs in a child process of its own, so each memory figure starts
// from a fresh process.
#include "app/application.h"
#include "app/registry.h"
#include "bench_book.h"
#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/database.h"
#include "exchange/book_exchange.h"
#include "platform/process_memory.h"
#include "support/fake_services.h"
#include "support/test_folder.h"
#include "sync_bench.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <sqlite3.h>
#include <string>

using namespace norvane;

namespace {

// ---- deterministic contacts of realistic lengths ----

const char* const kSyllables[] = {"mar", "an", "el", "to", "ri", "sa", "lo", "ven", "da",
                                  "ki",  "ro", "li", "ne", "ta", "bo", "us", "fi",  "ha"};
const char* const kForeign[] = {"Анна Смирнова", "Δημήτρης Παππάς", "王小明",
                                "Zoë Ægir",      "Álvaro Núñez",    "Søren Øst"};
const char* const kStreets[] = {"Street", "Road", "Lane", "Avenue", "Close", "Terrace"};
const char* const kTowns[] = {"Leith", "Crail", "Anstruther", "Kirkcaldy", "Dunbar", "Elie"};

class Generator
{
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    QString word(int syllables)
    {
        std::string text;
        for (int i = 0; i < syllables; ++i) {
            text += kSyllables[pick(std::size(kSyllables))];
        }
        text[0] = static_cast<char>(std::toupper(text[0]));
        return QString::fromStdString(text);
    }

    Contact next()
    {
        Contact c;
        c.name = pick(20) == 0 ? QString::fromUtf8(kForeign[pick(std::size(kForeign))])
                               : word(3) + QLatin1Char(' ') + word(3);
        c.address = QStringLiteral("%1 %2 %3, %4")
                        .arg(1 + pick(300))
                        .arg(word(3), QString::fromLatin1(kStreets[pick(std::size(kStreets))]),
                             QString::fromLatin1(kTowns[pick(std::size(kTowns))]));
        c.contact = QStringLiteral("07") + digits(9);
        c.email = word(2).toLower() + QLatin1Char('.') + word(2).toLower() +
                  QStringLiteral("@example.com");
        c.company = word(3) + QStringLiteral(" Ltd");
        c.profile = word(2).toLower() + digits(2) + QStringLiteral(".jpg");
        return c;
    }

private:
    int pick(std::size_t count) { return static_cast<int>(m_random() % count); }
    QString digits(int count)
    {
        QString text;
        for (int i = 0; i < count; ++i) {
            text += QChar(u'0' + pick(10));
        }
        return text;
    }

    std::mt19937 m_random;
};

constexpr unsigned kSeed = 20261207;

// ---- timing ----

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double timeMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void report(const char* operation, int size, double ms, double floorMs, const char* kind = "ROW")
{
    std::printf("%s|%s|%d|%.2f|%.2f\n", kind, operation, size, ms, floorMs);
    std::fflush(stdout);
}

// A keystroke's time before Qt repaints the window: the search, the grid's
// model told of the rows found and the new current contact's fields filled.
void reportUnpainted(const char* operation, int size, double ms, double floorMs)
{
    report(operation, size, ms, floorMs, "UNPAINTED");
}

// ---- the floor: what the engine costs without Norvane ----

// Kept so that the compiler cannot drop the floor's scan as unused work.
std::size_t g_scanHits = 0;

// Open, key, SELECT * stepping every row, and each text value appended to
// one buffer per column, sized beforehand (by the file's size, which bounds
// the text), with the end of each value: the least any loader must do.
double floorOpenAndRead(const QString& path)
{
    const auto fileSize = static_cast<std::size_t>(QFileInfo(path).size());
    return timeMs([&] {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        const QByteArray key = databasePassword().toUtf8();
        sqlite3_key(db, key.constData(), static_cast<int>(key.size()));
        sqlite3_exec(db, "PRAGMA cipher_page_size = 4096;", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM tblYou", -1, &stmt, nullptr);
        const int columns = sqlite3_column_count(stmt);
        std::vector<std::string> buffers(static_cast<std::size_t>(columns));
        std::vector<std::vector<quint32>> ends(static_cast<std::size_t>(columns));
        for (std::string& buffer : buffers) {
            buffer.reserve(fileSize);
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                std::string& buffer = buffers[static_cast<std::size_t>(c)];
                buffer.append(text ? text : "",
                              static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
                ends[static_cast<std::size_t>(c)].push_back(static_cast<quint32>(buffer.size()));
            }
        }
        g_scanHits += buffers.back().size();
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    });
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A single-threaded substring scan of the given rows of an already
// lower-cased column: the rows that hold the needle.
std::vector<std::size_t> floorScan(const std::vector<std::string>& column,
                                   const std::vector<std::size_t>& rows, const std::string& needle,
                                   double& ms)
{
    std::vector<std::size_t> found;
    ms = timeMs([&] {
        for (const std::size_t row : rows) {
            if (column[row].find(needle) != std::string::npos) {
                found.push_back(row);
            }
        }
    });
    g_scanHits += found.size();
    return found;
}

// The rows of a lower-cased column that start with the text: the floor of
// the grid's type-ahead.
std::size_t floorPrefixScan(const std::vector<std::string>& column, const std::string& prefix,
                            double& ms)
{
    std::size_t found = 0;
    ms = timeMs([&] {
        for (const std::string& value : column) {
            found += value.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
        }
    });
    g_scanHits += found;
    return found;
}

// ---- the program itself, started from outside ----

// The sqlcipher command reading the whole table, its output thrown away:
// what reading the book costs a program that only prints it.
double commandReadMs(const QString& path, const char* query)
{
    QProcess command;
    command.setStandardOutputFile(QProcess::nullDevice());
    const QByteArray script = "PRAGMA key = '" + databasePassword().toUtf8() +
                              "';\nPRAGMA cipher_page_size = 4096;\n" + query + "\n";
    return timeMs([&] {
        command.start(QStringLiteral("sqlcipher"), {path});
        command.write(script);
        command.closeWriteChannel();
        command.waitForFinished(-1);
    });
}

// The rows the sqlcipher command counts: proof that it read the book.
int commandCountsRows(const QString& path)
{
    QProcess command;
    command.start(QStringLiteral("sqlcipher"), {path});
    command.write("PRAGMA key = '" + databasePassword().toUtf8() +
                  "';\nPRAGMA cipher_page_size = 4096;\nSELECT count(*) FROM tblYou;\n");
    command.closeWriteChannel();
    command.waitForFinished(-1);
    return command.readAllStandardOutput().trimmed().split('\n').last().toInt();
}

// Starts the norvane executable on the folder (a copy of it lies there, since
// a book is the one beside the program) under the offscreen platform, and
// times it until it says its grid was first painted; -1 when it never did
// or showed another count of rows.
double programStartMs(const QString& folder, int rows)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("NORVANE_TRACE_START"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.setReadChannel(QProcess::StandardError);
    QByteArray said;
    const double ms = timeMs([&] {
        program.start(folder + QStringLiteral("/norvane"), QStringList());
        while (!said.contains("grid painted") && program.waitForReadyRead(120000)) {
            said += program.readAllStandardError();
        }
    });
    program.kill();
    program.waitForFinished(-1);
    const QByteArray expected = "grid painted with " + QByteArray::number(rows) + " rows";
    return said.contains(expected) ? ms : -1;
}

// Copies the executable into the folder.
bool placeProgram(const QString& folder)
{
    const QString copy = folder + QStringLiteral("/norvane");
    return QFile::exists(copy) || QFile::copy(QStringLiteral(NORVANE_EXECUTABLE), copy);
}

// ---- vCard export and import ----

bool exportCards(const QString& folder, const QString& path)
{
    QFile out(path);
    const auto db = openBook(folder);
    return db && out.open(QIODevice::WriteOnly) &&
           exportContacts(*db, photoFolder(folder), ExportFormat::VCard4, out).ok();
}

// Exporting the book as vCard 4 beside the read floor plus writing the same
// bytes; importing those cards into an empty book beside inserting the same
// contacts through the store in one transaction plus reading the file.
bool benchExchange(const QString& folder, int size, int reps, double readFloor)
{
    QTemporaryDir scratch;
    const QString cards = scratch.filePath(QStringLiteral("all.vcf"));
    // The first export gives each contact its UID; the timed ones find them stored.
    if (!exportCards(folder, cards)) {
        return false;
    }
    std::vector<Contact> contacts;
    Generator generator(kSeed);
    for (int i = 0; i < size; ++i) {
        contacts.push_back(generator.next());
    }
    std::vector<double> exports, writes, imports, inserts, reads;
    for (int r = 0; r < reps; ++r) {
        exports.push_back(timeMs([&] { exportCards(folder, cards); }));
        const QByteArray bytes = testing::readFile(cards);
        writes.push_back(timeMs([&] {
            QFile copy(scratch.filePath(QStringLiteral("copy")));
            copy.open(QIODevice::WriteOnly);
            copy.write(bytes);
        }));
        reads.push_back(timeMs([&] {
            QFile file(cards);
            file.open(QIODevice::ReadOnly);
            g_scanHits += static_cast<std::size_t>(file.readAll().size());
        }));
        QTemporaryDir intoCards, intoStore;
        for (const QTemporaryDir* dir : {&intoCards, &intoStore}) {
            QDir(dir->path()).mkpath(QStringLiteral("IMG"));
            createContactDatabase(databaseFile(dir->path()));
        }
        ImportReport imported;
        imports.push_back(timeMs([&] {
            const auto db = openBook(intoCards.path());
            importFiles(*db, photoFolder(intoCards.path()), {cards}, imported);
        }));
        if (imported.imported != size) {
            std::fprintf(stderr, "the import read %d of %d cards\n", imported.imported, size);
            return false;
        }
        inserts.push_back(timeMs([&] { importContacts(intoStore.path(), contacts); }));
    }
    report("export as vCard 4", size, median(exports), readFloor + median(writes));
    report("import of those cards", size, median(imports), median(inserts) + median(reads));
    return true;
}

// ---- Norvane through its own windows ----

struct Running
{
    explicit Running(testing::FakeServices& fakes) : registry(fakes.services()) {}
    MainWindow* window() { return registry.mainWindow(); }
    template <class T> T* find(const char* name)
    {
        return window()->findChild<T*>(QLatin1String(name));
    }
    Registry registry;
};

void acceptTerms(Running& app)
{
    if (TermsWindow* terms = app.registry.termsWindow()) {
        terms->findChild<QCheckBox*>(QStringLiteral("Check1"))->click();
        terms->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    }
    settle();
}

bool shows(Running& app, int rows)
{
    return app.find<QTableView>("DataGrid1")->model()->rowCount() == rows &&
           app.find<QLabel>("lblResult")->text() == QStringLiteral("Results:  %1").arg(rows);
}

int runOneSize(int size, int reps)
{
    testing::FakeServices fakes;
    QTemporaryDir empty;
    QTemporaryDir folder;
    for (const QTemporaryDir* dir : {&empty, &folder}) {
        QDir(dir->path()).mkpath(QStringLiteral("IMG"));
        createContactDatabase(databaseFile(dir->path()));
    }

    // The empty window's own memory, to set against the loaded one.
    fakes.folder.folder = empty.path();
    qint64 emptyWindowBytes = 0;
    {
        Running app(fakes);
        app.registry.start();
        settle();
        emptyWindowBytes = residentBytes();
    }
    settle();

    // The contacts are made twice from the same seed: once for the database,
    // in a process of their own so that neither they nor the writing count as
    // the window's memory, and once more here for the floor's scan after the
    // memory was read.
    QProcess filler;
    filler.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--fill"), QString::number(size), folder.path()});
    if (!filler.waitForFinished(-1) || filler.exitCode() != 0) {
        std::fprintf(stderr, "cannot fill the benchmark database\n");
        return 1;
    }
    const qint64 rawTextBytes = filler.readAllStandardOutput().trimmed().toLongLong();
    fakes.folder.folder = folder.path();

    std::vector<double> floorRead;
    for (int r = 0; r < reps; ++r) {
        floorRead.push_back(floorOpenAndRead(databaseFile(folder.path())));
    }
    const double readFloor = median(floorRead);
    report("raw open + key + read (floor)", size, readFloor, readFloor);

    // The program started from outside, against the sqlcipher command.
    if (!placeProgram(folder.path()) || !placeProgram(empty.path()) ||
        commandCountsRows(databaseFile(folder.path())) != size) {
        std::fprintf(stderr, "cannot run the program or the sqlcipher command\n");
        return 1;
    }
    std::vector<double> commandReads, programStarts, emptyStarts;
    for (int r = 0; r < reps; ++r) {
        commandReads.push_back(commandReadMs(databaseFile(folder.path()), "SELECT * FROM tblYou;"));
        programStarts.push_back(programStartMs(folder.path(), size));
        emptyStarts.push_back(programStartMs(empty.path(), 0));
        if (programStarts.back() < 0 || emptyStarts.back() < 0) {
            std::fprintf(stderr, "the program did not show its grid\n");
            return 1;
        }
    }
    const double commandRead = median(commandReads);
    const double emptyStart = median(emptyStarts);
    report("sqlcipher command reading the table", size, commandRead, commandRead);
    report("program on an empty book, to its painted grid", size, emptyStart, emptyStart);
    report("program start to its painted grid", size, median(programStarts), commandRead);
    report("  the same against empty start + command", size, median(programStarts),
           emptyStart + commandRead);

    // Start-up: the main window's load until the grid and the count are right.
    std::vector<double> startups;
    qint64 loadedBytes = 0;
    qint64 peakBytes = 0;
    for (int r = 0; r < reps; ++r) {
        auto app = std::make_unique<Running>(fakes);
        startups.push_back(timeMs([&] {
            app->registry.start();
            QCoreApplication::processEvents();
        }));
        if (!shows(*app, size)) {
            std::fprintf(stderr, "start-up did not show %d contacts\n", size);
            return 1;
        }
        if (r == 0) {
            loadedBytes = residentBytes();
            peakBytes = peakResidentBytes();
        }
        app.reset();
        settle();
    }
    report("start-up to a filled grid", size, median(startups), readFloor);

    std::vector<std::string> names, addresses, numbers;
    Generator generator(kSeed);
    for (int i = 0; i < size; ++i) {
        const Contact c = generator.next();
        names.push_back(lowered(c.name.toStdString()));
        addresses.push_back(lowered(c.address.toStdString()));
        numbers.push_back(lowered(c.contact.toStdString()));
    }
    std::vector<std::size_t> everyRow(static_cast<std::size_t>(size));
    std::iota(everyRow.begin(), everyRow.end(), std::size_t{0});

    Running app(fakes);
    app.registry.start();
    acceptTerms(app);
    const qint64 afterLoadBytes = residentBytes();

    struct Search
    {
        const char* option;
        const char* label;
        std::string typed;
        const std::vector<std::string>* column;
    };
    const Search searches[] = {{"Option1", "Name", "mar", &names},
                               {"Option2", "Address", "str", &addresses},
                               {"Option3", "Contact", "123", &numbers}};
    // Each letter on its own: the first scans the whole column (and, the
    // first time, prepares the column's search), the next ones narrow the
    // rows already found; each beside the same kind of plain scan.
    auto* box = app.find<QLineEdit>("txtSearch");
    std::vector<double> emptying;
    for (const Search& search : searches) {
        app.find<QRadioButton>(search.option)->setChecked(true);
        std::vector<std::vector<double>> letters(search.typed.size()), floors(search.typed.size()),
            unpainted(search.typed.size());
        double firstSearch = 0;
        for (int r = 0; r < reps; ++r) {
            std::vector<std::size_t> rows = everyRow;
            for (std::size_t length = 1; length <= search.typed.size(); ++length) {
                const QString text = QString::fromStdString(search.typed.substr(0, length));
                double beforePaintMs = 0;
                const double ms = timeMs([&] {
                    beforePaintMs = timeMs([&] { box->setText(text); });
                    QCoreApplication::processEvents();
                });
                double floorMs = 0;
                rows = floorScan(*search.column, rows, search.typed.substr(0, length), floorMs);
                if (r == 0 && length == 1) {
                    firstSearch = ms;
                } else {
                    letters[length - 1].push_back(ms);
                    unpainted[length - 1].push_back(beforePaintMs);
                }
                floors[length - 1].push_back(floorMs);
            }
            emptying.push_back(timeMs([&] {
                box->clear();
                QCoreApplication::processEvents();
            }));
        }
        const std::string label = search.label;
        report((label + ", first search of the column").c_str(), size, firstSearch,
               median(floors[0]));
        for (std::size_t letter = 0; letter < letters.size(); ++letter) {
            const std::string row = label + ", letter " + std::to_string(letter + 1) +
                                    (letter == 0 ? " (full scan)" : " (narrowing)");
            report(row.c_str(), size, median(letters[letter]), median(floors[letter]));
            reportUnpainted(row.c_str(), size, median(unpainted[letter]), median(floors[letter]));
        }
    }
    double emptyFloor = 0;
    floorScan(names, everyRow, std::string(), emptyFloor);
    report("emptying the search", size, median(emptying), emptyFloor);

    // A letter typed into the grid goes to the next name starting with the
    // letters typed; one that no name starts with reads every name (the
    // same letter again looks for it doubled, which none starts with either).
    auto* grid = app.find<QTableView>("DataGrid1");
    grid->setCurrentIndex(grid->model()->index(0, static_cast<int>(ContactColumn::Name)));
    std::vector<double> typeAhead, typeAheadFloors;
    for (int r = 0; r < reps; ++r) {
        typeAhead.push_back(timeMs([&] {
            grid->keyboardSearch(QStringLiteral("q"));
            QCoreApplication::processEvents();
        }));
        double floorMs = 0;
        if (floorPrefixScan(names, "q", floorMs) != 0 || grid->currentIndex().row() != 0) {
            std::fprintf(stderr, "a name starts with q\n");
            return 1;
        }
        typeAheadFloors.push_back(floorMs);
    }
    report("grid type-ahead, a letter no name starts with", size, median(typeAhead),
           median(typeAheadFloors));
    const qint64 afterSearchBytes = residentBytes();

    // Register, update, remove and REFRESH, each with its reload, and the
    // highest memory while one runs, above what the process held just before
    // (the floor's own copies of the texts included), so that only the
    // window's growth counts.
    qint64 reloadGrowth = -1;
    const auto clickAndSettle = [&](const char* button) {
        settle();
        const qint64 before = residentBytes();
        const bool peakReset = resetPeakResident();
        const double ms = timeMs([&] {
            app.find<QPushButton>(button)->click();
            settle();
        });
        if (peakReset) {
            reloadGrowth = std::max(reloadGrowth, peakResidentBytes() - before);
        }
        return ms;
    };
    std::vector<double> registers, updates, removes, refreshes;
    for (int r = 0; r < reps; ++r) {
        app.find<QPushButton>("cmdReg")->click();
        app.find<QLineEdit>("regName")->setText(QStringLiteral("Bench Person %1").arg(r));
        app.find<QPlainTextEdit>("regCon")->setPlainText(QStringLiteral("0770090%1").arg(r));
        registers.push_back(clickAndSettle("AeroButton1"));
        app.find<QPushButton>("cmdUpdate")->click();
        app.find<QLineEdit>("txtAdd")->setText(QStringLiteral("%1 Bench Road").arg(r));
        updates.push_back(clickAndSettle("AeroButton3"));
        fakes.messages.setNextAnswer(BoxAnswer::Yes);
        removes.push_back(clickAndSettle("cmdRemove"));
        refreshes.push_back(clickAndSettle("cmdRefresh"));
    }
    if (!shows(app, size)) {
        std::fprintf(stderr, "the table does not hold %d contacts after the changes\n", size);
        return 1;
    }
    report("register with its reload", size, median(registers), readFloor);
    report("update with its reload", size, median(updates), readFloor);
    report("remove with its reload", size, median(removes), readFloor);
    report("refresh with its reload", size, median(refreshes), readFloor);
    // The exchange figures stop at 100,000 cards, the size their targets name.
    if (size <= 100000 && !benchExchange(folder.path(), size, reps, readFloor)) {
        std::fprintf(stderr, "the vCard export or import failed\n");
        return 1;
    }

    const auto mb = [](qint64 bytes) { return bytes / 1048576.0; };
    std::printf("MEM|%d|%.1f|%.1f|%.1f|%.1f|%.1f\n", size, mb(loadedBytes - emptyWindowBytes),
                mb(afterSearchBytes - afterLoadBytes + loadedBytes - emptyWindowBytes),
                mb(loadedBytes - emptyWindowBytes + reloadGrowth), mb(rawTextBytes), mb(peakBytes));
    return 0;
}

// Fills the folder's address book with the benchmark's contacts through
// Norvane's store, in one transaction; prints the UTF-8 size of their texts.
int fillDatabase(int size, const QString& folder)
{
    Generator generator(kSeed);
    std::vector<Contact> contacts;
    contacts.reserve(static_cast<std::size_t>(size));
    qint64 rawTextBytes = 0;
    for (int i = 0; i < size; ++i) {
        contacts.push_back(generator.next());
        for (int column = 1; column < kContactColumnCount; ++column) {
            rawTextBytes +=
                contacts.back().text(static_cast<ContactColumn>(column)).toUtf8().size();
        }
    }
    const Status imported = importContacts(folder, contacts);
    if (!imported.ok()) {
        std::fprintf(stderr, "cannot fill the benchmark database: %s\n",
                     qPrintable(imported.reason()));
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(rawTextBytes));
    return 0;
}

QList<int> parseSizes(const QString& text)
{
    QList<int> sizes;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        sizes.append(part.trimmed().toInt());
    }
    return sizes;
}

// One figure of a ROW or UNPAINTED line, with its ratio to its floor.
void printFigure(const QList<QByteArray>& f)
{
    const double ms = f[3].toDouble(), floorMs = f[4].toDouble();
    std::printf("%-48s %9s %11.2f %10.2f %7.1f\n", f[1].constData(), f[2].constData(), ms, floorMs,
                floorMs > 0 ? ms / floorMs : 0.0);
}

int runAll(const QList<int>& sizes, int reps)
{
    std::printf("%-48s %9s %11s %10s %7s\n", "operation", "N", "median ms", "floor ms", "ratio");
    QList<QByteArray> memory;
    QList<QList<QByteArray>> unpainted;
    std::map<std::string, std::map<int, double>> timesBySize;
    std::vector<std::string> operations;
    for (int size : sizes) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--one"), QString::number(size), QStringLiteral("--reps"),
                     QString::number(reps)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            std::fprintf(stderr, "the run at %d contacts failed\n", size);
            return 1;
        }
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split('|');
            if (f.value(0) == "ROW") {
                printFigure(f);
                const std::string operation = f[1].toStdString();
                if (!timesBySize.count(operation)) {
                    operations.push_back(operation);
                }
                timesBySize[operation][f[2].toInt()] = f[3].toDouble();
            } else if (f.value(0) == "UNPAINTED") {
                unpainted.append(f);
            } else if (f.value(0) == "MEM") {
                memory.append(line);
            }
        }
    }
    // The same letters up to the repaint they ask for, beside the same floors.
    std::printf("\n%-48s %9s %11s %10s %7s\n", "letter, until the window repaints", "N",
                "median ms", "floor ms", "ratio");
    for (const QList<QByteArray>& f : unpainted) {
        printFigure(f);
    }
    // How each operation grows from 100,000 to 1,000,000 contacts (10x is linear).
    bool scaled = false;
    for (const std::string& operation : operations) {
        const std::map<int, double>& times = timesBySize[operation];
        if (times.count(100000) && times.count(1000000) && times.at(100000) > 0) {
            if (!scaled) {
                std::printf("\n%-48s %22s\n", "operation", "1,000,000 / 100,000");
                scaled = true;
            }
            std::printf("%-48s %21.1fx\n", operation.c_str(), times.at(1000000) / times.at(100000));
        }
    }
    std::printf("\n%-9s %11s %15s %14s %12s %10s\n", "N", "after load", "after searches",
                "reload peak", "raw text", "peak");
    for (const QByteArray& line : memory) {
        const QList<QByteArray> f = line.split('|');
        std::printf("%-9s %8.1f MB %12.1f MB %11.1f MB %9.1f MB %7.1f MB\n", f[1].constData(),
                    f[2].toDouble(), f[3].toDouble(), f[4].toDouble(), f[5].toDouble(),
                    f[6].toDouble());
    }
    std::printf("1 passed, 0 failed\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // As the program itself does, so that the memory figures are its own.
    keepLargeBlocksMapped();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    Application application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = application.arguments();
    auto option = [&](const char* name) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : QString();
    };
    const bool quick = args.contains(QStringLiteral("--quick"));
    const int reps = option("--reps").isEmpty() ? (quick ? 3 : 7) : option("--reps").toInt();
    if (!option("--fill").isEmpty()) {
        return fillDatabase(option("--fill").toInt(),
                            args.value(args.indexOf(QLatin1String("--fill")) + 2));
    }
    if (!option("--sync").isEmpty()) {
        return runSyncBench(option("--sync").toInt());
    }
    if (!option("--one").isEmpty()) {
        return runOneSize(option("--one").toInt(), reps);
    }
    if (args.contains(QStringLiteral("--help"))) {
        std::puts("norvane-bench [--sizes 10000,100000,1000000] [--reps N] [--quick]\n"
                  "norvane-bench --sync N");
        return 0;
    }
    const QString sizes =
        quick ? QStringLiteral("10000")
              : (option("--sizes").isEmpty() ? QStringLiteral("10000,100000,1000000")
                                             : option("--sizes"));
    return runAll(parseSizes(sizes), reps);
}
