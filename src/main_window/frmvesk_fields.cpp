// The ten edit fields: binding of the detail fields to the current record,
// the focus colour and locking.
#include "main_window/frmvesk.h"
#include "platform/widgets.h"

#include <QEvent>
#include <QItemSelectionModel>

namespace norvane {

namespace {

const QColor kFocusColour(0xFF, 0xE0, 0xC0); // 12640511 in the 0x00BBGGRR order
const QColor kNormalColour(Qt::white);

void setBackColour(QWidget* field, const QColor& colour)
{
    setPaletteColour(field, QPalette::Base, colour);
}

} // namespace

void frmVesk::setupFields()
{
    QWidget* const coloured[] = {ui.regName, ui.regAddress, ui.regCon, ui.regEmail, ui.regCom,
                                 ui.txtName, ui.txtAdd,     ui.txtCon, ui.txtEmail, ui.txtCom};
    for (QWidget* field : coloured) {
        field->installEventFilter(this);
    }
    // The name fields start white; the others take the system's window colour.
    setBackColour(ui.regName, kNormalColour);
    setBackColour(ui.txtName, kNormalColour);

    QWidget::setTabOrder(ui.regName, ui.regAddress);
    QWidget::setTabOrder(ui.regAddress, ui.regCon);
    QWidget::setTabOrder(ui.regCon, ui.regEmail);
    QWidget::setTabOrder(ui.regEmail, ui.regCom);

    RecordSet* records = m_adoLog.recordset();
    connect(records, &RecordSet::currentChanged, this, &frmVesk::showCurrentRecord);
    connect(records, &RecordSet::wasReset, this, &frmVesk::updateResultLabel);
    connect(ui.DataGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [records](const QModelIndex& current) { records->moveTo(current.row()); });
}

// The six bound fields show the current record; the grid's selection follows it.
void frmVesk::showCurrentRecord()
{
    const Contact shown = m_adoLog.recordset()->current().value_or(Contact());
    ui.txtName->setText(shown.name);
    ui.txtAdd->setText(shown.address);
    ui.txtCon->setPlainText(shown.contact);
    ui.txtEmail->setText(shown.email);
    ui.txtCom->setText(shown.company);
    ui.Text1->setText(shown.profile);
    const int row = m_adoLog.recordset()->currentRow();
    if (row >= 0 && ui.DataGrid1->currentIndex().row() != row) {
        ui.DataGrid1->setCurrentIndex(m_model.index(row, static_cast<int>(ContactColumn::Name)));
    }
}

void frmVesk::setDetailFieldsLocked(bool locked)
{
    ui.Text1->setReadOnly(locked);
    ui.txtName->setReadOnly(locked);
    ui.txtAdd->setReadOnly(locked);
    ui.txtCon->setReadOnly(locked);
    ui.txtEmail->setReadOnly(locked);
    ui.txtCom->setReadOnly(locked);
}

Contact frmVesk::detailFieldTexts() const
{
    Contact contact;
    contact.name = ui.txtName->text();
    contact.address = ui.txtAdd->text();
    contact.contact = ui.txtCon->toPlainText();
    contact.email = ui.txtEmail->text();
    contact.company = ui.txtCom->text();
    contact.profile = ui.Text1->text();
    return contact;
}

void frmVesk::focusColourChanged(QWidget* field, bool hasFocus)
{
    setBackColour(field, hasFocus ? kFocusColour : kNormalColour);
}

} // namespace norvane
