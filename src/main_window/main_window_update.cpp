// Update mode, removing, refreshing and the search strip.
#include "contacts/contact_store.h"
#include "data/contact_sql.h"
#include "main_window/main_window.h"
#include "main_window/window_host.h"

namespace norvane {

// While the fields hold an edit, nothing may move the current contact (the
// grid, the search) and the command row lies under the update panel.
void MainWindow::setUpdateMode(bool on)
{
    enableAll(commandRow() +
                  QList<QWidget*>{ui.DataGrid1, ui.txtSearch, ui.Option1, ui.Option2, ui.Option3},
              !on);
    ui.regIMG->setVisible(on);
    if (on) {
        ui.regIMG->raise();
    }
    ui.picUPD->setVisible(on);
    ui.AeroButton5->setVisible(on);
}

void MainWindow::enterUpdateMode()
{
    if (m_model.rowCount() == 0) {
        box(QStringLiteral("There is nothing to update!"), BoxIcon::Warning);
        return;
    }
    if (saysNothingCanBeChanged()) {
        return;
    }
    // Editing starts from what is stored, whatever the fields showed before.
    showCurrentRecord();
    m_shownForEdit = detailFieldTexts();
    setUpdateMode(true);
    ui.txtName->setFocus();
    // Disabling the grid passed the focus on as Tab would, which selects the
    // whole name; typing would then replace it rather than edit it.
    ui.txtName->setCursorPosition(0);
    setDetailFieldsLocked(false);
}

void MainWindow::saveEditedContact()
{
    Contact edited = detailFieldTexts();
    // A number stored with blank lines by another program stays as it is
    // unless it was edited here.
    if (edited.contact != m_shownForEdit.contact) {
        edited.contact = numberLinesToSave(edited.contact);
    }
    if (Status saved = updateCurrentContact(m_dataControl, m_shownForEdit, edited); !saved.ok()) {
        // The typed text stays in the fields either way.
        if (saved.kind() == Status::Failure::ChangedElsewhere) {
            box(saved.reason() + QStringLiteral("\n\n") +
                    tr("Cancel to see the contact as it is stored now."),
                BoxIcon::Warning);
        } else {
            box(tr("The changes were not saved.\n\n%1").arg(saved.reason()), BoxIcon::Warning);
        }
        showStoredBookLater(saved);
        return;
    }
    box(edited.name + QStringLiteral(" has been updated in the database!"), BoxIcon::Information);
    m_host.reloadMainWindow(currentContactId());
}

// Leaves update mode; the fields show the stored values again.
void MainWindow::leaveUpdateMode()
{
    setUpdateMode(false);
    setDetailFieldsLocked(true);
    showCurrentRecord();
    ui.DataGrid1->setFocus();
    m_host.editingEnded();
}

void MainWindow::removeSelectedContact()
{
    const RecordSet* records = m_dataControl.recordSet();
    const int selected = records->currentRow();
    if (m_model.rowCount() == 0 || selected < 0) {
        box(QStringLiteral("There is nothing to delete!"), BoxIcon::Warning);
        return;
    }
    if (saysNothingCanBeChanged()) {
        return;
    }
    const QString name = records->shownText(selected, ContactColumn::Name).text;
    const QString question = QStringLiteral("Do you want to delete ") + name +
                             QStringLiteral(" with the contact below?\r\n\r\n") +
                             records->shownText(selected, ContactColumn::Contact).text;
    if (box(question, BoxIcon::Question, BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    const std::optional<qint64> following = contactAfterRemoval();
    QString photoProblem;
    const Status removed =
        removeCurrentContact(m_dataControl, m_services.folder->path(), photoProblem);
    if (!removed.ok()) {
        box(tr("%1 was not deleted.\n\n%2").arg(name, removed.reason()), BoxIcon::Warning);
        showStoredBookLater(removed);
        return;
    }
    if (!photoProblem.isEmpty()) {
        box(tr("%1 was deleted, but the photo file was kept.\n\n%2").arg(name, photoProblem),
            BoxIcon::Warning);
    }
    box(name + QStringLiteral(" has been deleted in the database!"), BoxIcon::Information);
    m_host.reloadMainWindow(following);
}

// An action refused because another program changed or removed its contact
// leaves the rows shown out of date: the table is read again (once an open
// panel closes, saved or cancelled), so that the user sees what is stored
// instead of meeting the same refusal again.
void MainWindow::showStoredBookLater(const Status& refused)
{
    if (refused.kind() == Status::Failure::ChangedElsewhere ||
        refused.kind() == Status::Failure::Gone) {
        m_host.reloadWhenIdle();
    }
}

// A book opened read-only, or a contact table made by another program, which
// Norvane does not change, is named before anything is typed or asked; true
// when it was. Any other failure to read the table's shape (a lock) is left
// to the write itself.
bool MainWindow::saysNothingCanBeChanged()
{
    Database* db = m_dataControl.database();
    if (!db) {
        return false;
    }
    // Asked here, not of the table: an export reads the table's shape alone
    // to choose the UIDs it writes, read-only book or not.
    if (db->isReadOnly()) {
        box(Database::readOnlyReason(), BoxIcon::Warning);
        return true;
    }
    const Status writable = checkContactTableWritable(*db);
    if (writable.kind() != Status::Failure::TableNotChanged) {
        return false;
    }
    box(writable.reason(), BoxIcon::Warning);
    return true;
}

// A book left closed at its passphrase (not given, or none typed opened it)
// cannot open before REFRESH asks again: a register would try the built-in
// key at its end and an import or export opens the book with the same key.
// The reason is given before anything is typed or chosen; true when it was.
bool MainWindow::saysTheBookIsLocked()
{
    if (m_dataControl.database() || m_openFailure.kind() != Status::Failure::WrongKey) {
        return false;
    }
    box(tr("The address book %1 is not open.\n\n%2").arg(shownBookFile(), m_openFailure.reason()),
        BoxIcon::Warning);
    return true;
}

// A register or an import needs the book open, writable, and a table Norvane changes.
bool MainWindow::saysWhyNothingCanBeAdded()
{
    return saysTheBookIsLocked() || saysNothingCanBeChanged();
}

void MainWindow::reloadTable()
{
    m_host.reloadMainWindow(currentContactId());
}

bool MainWindow::isEditing() const
{
    return ui.picReg->isVisible() || ui.picUPD->isVisible();
}

std::optional<qint64> MainWindow::currentContactId() const
{
    const RecordSet& records = *m_dataControl.recordSet();
    const int row = records.currentRow();
    return row >= 0 ? std::optional<qint64>(records.id(row)) : std::nullopt;
}

// The row that followed the current one, or the one before it at the end.
std::optional<qint64> MainWindow::contactAfterRemoval() const
{
    const RecordSet& records = *m_dataControl.recordSet();
    const int row = records.currentRow();
    if (row >= 0 && row + 1 < records.rowCount()) {
        return records.id(row + 1);
    }
    return row > 0 ? std::optional<qint64>(records.id(row - 1)) : std::nullopt;
}

void MainWindow::selectContact(qint64 id)
{
    RecordSet& records = *m_dataControl.recordSet();
    for (int row = 0; row < records.rowCount(); ++row) {
        if (records.id(row) == id) {
            records.moveTo(row);
            ui.DataGrid1->scrollTo(m_model.index(row, static_cast<int>(ContactColumn::Name)));
            return;
        }
    }
}

// Each change of the search text filters the loaded rows on the chosen
// column; no query runs and the text is never turned into SQL.
void MainWindow::searchAsTyped()
{
    searchContacts(*m_dataControl.recordSet(), chosenSearchColumn(), ui.txtSearch->text());
}

ContactColumn MainWindow::chosenSearchColumn() const
{
    return ui.Option1->isChecked()   ? ContactColumn::Name
           : ui.Option2->isChecked() ? ContactColumn::Address
                                     : ContactColumn::Contact;
}

QRadioButton* MainWindow::searchOption(ContactColumn column) const
{
    return column == ContactColumn::Name      ? ui.Option1
           : column == ContactColumn::Address ? ui.Option2
                                              : ui.Option3;
}

MainWindow::SearchStrip MainWindow::searchStrip() const
{
    const ContactColumn chosen = chosenSearchColumn();
    return {ui.txtSearch->text(), m_dataControl.recordSet()->filterColumn().value_or(chosen),
            chosen, focusWidget() == ui.txtSearch, ui.txtSearch->cursorPosition()};
}

void MainWindow::restoreSearchStrip(const SearchStrip& strip)
{
    searchOption(strip.searched)->setChecked(true);
    ui.txtSearch->setText(strip.text);
    searchOption(strip.chosen)->setChecked(true);
    ui.txtSearch->setCursorPosition(strip.cursor);
    if (strip.typing) {
        ui.txtSearch->setFocus();
    }
}

// Run once the grid has shown its rows: the first letter typed on any of the
// searchable columns then costs no more than the next ones.
void MainWindow::prepareSearches()
{
    for (const ContactColumn column :
         {ContactColumn::Name, ContactColumn::Address, ContactColumn::Contact}) {
        m_dataControl.recordSet()->prepareSearch(column);
    }
}

} // namespace norvane
