// Import and export from the window: the grid's right-click menu, and vCard
// or CSV files dropped on the window.
#include "contacts/contact_store.h"
#include "data/database.h"
#include "exchange/book_exchange.h"
#include "main_window/main_window.h"
#include "main_window/window_host.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>

namespace norvane {

namespace {

constexpr int kProgressSteps = 1000;
constexpr int kProgressDelayMs = 700;
// The cards an import refused, or an export wrote without their photos, that
// a box lists under "Details": a file refused card by card (a comma too many
// on every line) would otherwise fill it with a line for each, hundreds of
// megabytes for a million.
constexpr qsizetype kMostProblemsShown = 500;

bool isContactFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"vcf" || suffix == u"vcard" || suffix == u"csv" || suffix == u"tsv" ||
           suffix == u"tab";
}

QStringList contactFilesOf(const QMimeData* data)
{
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && isContactFile(url.toLocalFile())) {
            files.append(url.toLocalFile());
        }
    }
    return files;
}

} // namespace

void MainWindow::setupExchange()
{
    ui.DataGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto addGridAction = [this](const char* name, const QString& text, auto run) {
        auto* action = new QAction(text, ui.DataGrid1);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, run);
        ui.DataGrid1->addAction(action);
    };
    addGridAction("importContactsAction", tr("Import contacts..."),
                  [this] { chooseFilesToImport(); });
    addGridAction("exportAllAction", tr("Export all contacts..."),
                  [this] { exportToChosenFile(false); });
    addGridAction("exportSelectedAction", tr("Export selected contact..."),
                  [this] { exportToChosenFile(true); });
    setAcceptDrops(true);
}

void MainWindow::chooseFilesToImport()
{
    if (isEditing()) {
        box(tr("Save or cancel the open panel first; an import reads the table again."),
            BoxIcon::Warning);
        return;
    }
    if (saysWhyNothingCanBeAdded()) {
        return;
    }
    const QStringList files = m_services.files->openContactFiles(this);
    if (!files.isEmpty()) {
        importContactFiles(files);
    }
}

std::unique_ptr<Database> MainWindow::openBookForExchange(QString& reason) const
{
    return Database::open(databaseFile(m_services.folder->path()), m_host.bookPassword(), reason);
}

// One transaction for all the files; then the table is read again, the
// user's place kept.
void MainWindow::importContactFiles(const QStringList& files)
{
    QString reason;
    const std::unique_ptr<Database> db = openBookForExchange(reason);
    // Shown only when the import takes more than a moment (thousands of cards).
    QProgressDialog progress(tr("Importing contacts..."), tr("Cancel"), 0, kProgressSteps, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    const ImportProgress followProgress = [&progress](qint64 done, qint64 total) {
        const int step = total > 0 ? static_cast<int>(done * kProgressSteps / total) : 0;
        if (step != progress.value()) {
            progress.setValue(step);
        }
        return !progress.wasCanceled();
    };
    ImportReport report;
    const Status imported =
        db ? importFiles(*db, photoFolder(m_services.folder->path()), files, report, followProgress)
           : Status::failure(reason);
    progress.reset();
    if (report.cancelled) {
        box(tr("The import was cancelled; nothing was written."), BoxIcon::Information);
        return;
    }
    if (!imported.ok()) {
        box(tr("No contact was imported.\n\n%1").arg(imported.reason()), BoxIcon::Warning);
        return;
    }
    m_services.messages->showWithDetails(this,
                                         tr("Contacts imported: %1, updated: %2, skipped: %3.")
                                             .arg(report.imported)
                                             .arg(report.updated)
                                             .arg(report.skipped),
                                         timeText(*m_services.clock),
                                         report.refusedFiles > 0 ? BoxIcon::Warning
                                                                 : BoxIcon::Information,
                                         firstLinesOf(report.problems, kMostProblemsShown));
    m_host.reloadMainWindow(currentContactId());
}

void MainWindow::exportToChosenFile(bool selectedOnly)
{
    const std::optional<qint64> selected = currentContactId();
    if (saysTheBookIsLocked()) {
        return;
    }
    if (selectedOnly && !selected) {
        box(tr("No contact is selected."), BoxIcon::Warning);
        return;
    }
    const QString suggested =
        selectedOnly ? fileNameFromName(m_dataControl.recordSet()->current()->name,
                                        QStringLiteral("contact"), QStringLiteral("vcf"))
                     : QStringLiteral("contacts.vcf");
    const QString path = m_services.files->saveContactsFile(this, suggested);
    if (path.isEmpty()) {
        return;
    }
    const ExportFormat format = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                    ? ExportFormat::Csv
                                    : ExportFormat::VCard4;
    QString reason;
    const std::unique_ptr<Database> db = openBookForExchange(reason);
    QStringList photosLeftOut;
    const Status written =
        db ? exportContactsToFile(*db, photoFolder(m_services.folder->path()), format, path,
                                  selectedOnly ? selected : std::nullopt, &photosLeftOut)
           : Status::failure(reason);
    if (!written.ok()) {
        box(tr("The contacts could not be exported to %1.\n\n%2")
                .arg(QDir::toNativeSeparators(path), written.reason()),
            BoxIcon::Warning);
        showStoredBookLater(written);
    } else if (!photosLeftOut.isEmpty()) {
        m_services.messages->showWithDetails(
            this,
            tr("The contacts were exported to %1, but %n photo(s) could not go with them.", "",
               static_cast<int>(photosLeftOut.size()))
                .arg(QDir::toNativeSeparators(path)),
            timeText(*m_services.clock), BoxIcon::Warning,
            firstLinesOf(photosLeftOut, kMostProblemsShown));
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!isEditing() && !contactFilesOf(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = contactFilesOf(event->mimeData());
    if (files.isEmpty() || isEditing()) {
        return;
    }
    event->acceptProposedAction();
    if (!saysWhyNothingCanBeAdded() &&
        box(tr("Import contacts from %1 file(s)?").arg(files.size()), BoxIcon::Question,
            BoxButtons::YesNo) == BoxAnswer::Yes) {
        importContactFiles(files);
    }
}

} // namespace norvane
