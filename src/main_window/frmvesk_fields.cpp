// The ten edit fields: binding of the detail fields to the current record,
// the focus colour and locking.
#include "main_window/frmvesk.h"
#include "main_window/number_edit.h"
#include "platform/widgets.h"

#include <QEvent>
#include <QItemSelectionModel>

namespace norvane {

namespace {

const QColor kFocusColour(0xFF, 0xE0, 0xC0); // 12640511 in the 0x00BBGGRR order
const QColor kNormalColour(Qt::white);

constexpr int kFieldLength = 50;
constexpr int kPhotoNameLength = 100;

// Shows a stored value whole. The field's limit holds for what is typed, but
// a longer value stored by another program is never cut short here, where a
// save would write the shortened text back.
template <class Field> void showWhole(Field* field, int limit, const QString& value)
{
    field->setMaxLength(std::max(limit, static_cast<int>(value.size())));
    if constexpr (std::is_same_v<Field, NumberEdit>) {
        field->setPlainText(value);
    } else {
        field->setText(value);
    }
}

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
    showWhole(ui.txtName, kFieldLength, shown.name);
    showWhole(ui.txtAdd, kFieldLength, shown.address);
    showWhole(ui.txtCon, kFieldLength, shown.contact);
    showWhole(ui.txtEmail, kFieldLength, shown.email);
    showWhole(ui.txtCom, kFieldLength, shown.company);
    showWhole(ui.Text1, kPhotoNameLength, shown.profile);
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
