// Update mode, removing, refreshing and the search strip.
#include "main_window/frmvesk.h"
#include "main_window/window_host.h"
#include "contacts/contact_store.h"

namespace norvane {

void frmVesk::setUpdateMode(bool on)
{
    ui.DataGrid1->setEnabled(!on);
    ui.regIMG->setVisible(on);
    if (on) {
        ui.regIMG->raise();
    }
    ui.picUPD->setVisible(on);
    ui.AeroButton5->setVisible(on);
}

void frmVesk::cmdUpdate_Click()
{
    if (m_model.rowCount() == 0) {
        box(QStringLiteral("There is nothing to update!"), BoxIcon::Warning);
        return;
    }
    // Editing starts from what is stored, whatever the fields showed before.
    showCurrentRecord();
    m_shownForEdit = detailFieldTexts();
    setUpdateMode(true);
    ui.txtName->setFocus();
    setDetailFieldsLocked(false);
}

void frmVesk::AeroButton3_Click()
{
    const Contact edited = detailFieldTexts();
    if (Status saved = updateCurrentContact(m_adoLog, m_shownForEdit, edited); !saved.ok()) {
        // The typed text stays in the fields either way.
        box(saved.kind() == Status::Failure::ChangedElsewhere
                ? saved.reason()
                : tr("The changes were not saved.\n\n%1").arg(saved.reason()),
            BoxIcon::Warning);
        return;
    }
    box(edited.name + QStringLiteral(" has been updated in the database!"), BoxIcon::Information);
    m_host.reloadMainWindow();
}

// Leaves update mode; the fields show the stored values again.
void frmVesk::AeroButton4_Click()
{
    setUpdateMode(false);
    setDetailFieldsLocked(true);
    showCurrentRecord();
    ui.DataGrid1->setFocus();
}

void frmVesk::cmdRemove_Click()
{
    const RecordSet* records = m_adoLog.recordset();
    const int selected = records->currentRow();
    if (m_model.rowCount() == 0 || selected < 0) {
        box(QStringLiteral("There is nothing to delete!"), BoxIcon::Warning);
        return;
    }
    const QString name = records->shownText(selected, ContactColumn::Name).text;
    const QString question = QStringLiteral("Do you want to delete ") + name +
                             QStringLiteral(" with the contact below?\r\n\r\n") +
                             records->shownText(selected, ContactColumn::Contact).text;
    if (box(question, BoxIcon::Question, BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    QString photoProblem;
    const Status removed = removeCurrentContact(m_adoLog, m_services.folder->path(), photoProblem);
    if (!removed.ok()) {
        box(tr("%1 was not deleted.\n\n%2").arg(name, removed.reason()), BoxIcon::Warning);
        return;
    }
    if (!photoProblem.isEmpty()) {
        box(tr("%1 was deleted, but the photo file was kept.\n\n%2").arg(name, photoProblem),
            BoxIcon::Warning);
    }
    box(name + QStringLiteral(" has been deleted in the database!"), BoxIcon::Information);
    m_host.reloadMainWindow();
}

void frmVesk::cmdRefresh_Click()
{
    m_host.reloadMainWindow();
}

// Each change of the search text filters the loaded rows on the chosen
// column; no query runs and the text is never turned into SQL.
void frmVesk::txtSearch_Change()
{
    const ContactColumn column = ui.Option1->isChecked()   ? ContactColumn::Name
                                 : ui.Option2->isChecked() ? ContactColumn::Address
                                                           : ContactColumn::Contact;
    searchContacts(*m_adoLog.recordset(), column, ui.txtSearch->text());
}

} // namespace norvane
