// The ten edit fields: binding of the detail fields to the current record,
// the focus colour and locking.
#include "main_window/main_window.h"
#include "main_window/number_edit.h"
#include "widgets/controls.h"
#include "widgets/one_line_input.h"

#include <QApplication>
#include <QEvent>
#include <QItemSelectionModel>

namespace norvane {

namespace {

const QColor kFocusColour(0xFF, 0xE0, 0xC0); // 12640511 in the 0x00BBGGRR order
const QColor kNormalColour(Qt::white);

constexpr int kFieldLength = 50;
constexpr int kPhotoNameLength = 100;

// Marks a field that shows only the beginning of its value.
const char* const kCutProperty = "norvaneValueCut";

// Shows a stored value. The field's limit holds for what is typed, but a
// longer value stored by another program is shown whole, up to the length
// the window can lay out; a value longer than that shows its beginning, and
// the field cannot be edited, so no save ever writes the shortened text.
template <class Field> void showValue(Field* field, int limit, const ShownText& value)
{
    field->setMaxLength(std::max(limit, static_cast<int>(value.text.size())));
    if constexpr (std::is_same_v<Field, NumberEdit>) {
        field->setPlainText(value.text);
    } else {
        // Qt leaves the caret at the end, which scrolls a value wider than
        // the field to its end; a name reads from its beginning.
        OneLineInput::setTextAsStored(field, value.text);
        field->setCursorPosition(0);
    }
    field->setProperty(kCutProperty, value.cut);
    field->setReadOnly(field->isReadOnly() || value.cut);
    field->setToolTip(value.cut ? QCoreApplication::translate(
                                      "MainWindow", "This value is too long to show or edit here; "
                                                    "only its beginning is shown, and it is kept "
                                                    "as stored.")
                                : QString());
}

void setBackColour(QWidget* field, const QColor& colour)
{
    setPaletteColour(field, QPalette::Base, colour);
    keepTextReadableOn(field, QPalette::Text, colour, QApplication::palette(field));
}

} // namespace

void MainWindow::setupFields()
{
    for (QWidget* field : colouredFields()) {
        field->installEventFilter(this);
    }
    // The name fields start white; the others take the system's window colour.
    setBackColour(ui.regName, kNormalColour);
    setBackColour(ui.txtName, kNormalColour);

    for (QLineEdit* field :
         {ui.regName, ui.regEmail, ui.regCom, ui.txtName, ui.txtEmail, ui.txtCom, ui.Text1}) {
        new OneLineInput(field, QStringLiteral(" "));
    }
    // Lines pasted into the search are joined as the list, and with it the
    // search, joins a value's lines: a copied address block finds its contact.
    for (QLineEdit* field : {ui.regAddress, ui.txtAdd, ui.txtSearch}) {
        new OneLineInput(field, kListLineJoiner.toString());
    }

    QWidget::setTabOrder(ui.regName, ui.regAddress);
    QWidget::setTabOrder(ui.regAddress, ui.regCon);
    QWidget::setTabOrder(ui.regCon, ui.regEmail);
    QWidget::setTabOrder(ui.regEmail, ui.regCom);

    RecordSet* records = m_dataControl.recordSet();
    connect(records, &RecordSet::currentChanged, this, &MainWindow::showCurrentRecord);
    connect(records, &RecordSet::wasReset, this, &MainWindow::updateResultLabel);
    connect(ui.DataGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [records](const QModelIndex& current) { records->moveTo(current.row()); });
}

// The six bound fields show the current record; the grid's selection follows it.
void MainWindow::showCurrentRecord()
{
    const RecordSet* records = m_dataControl.recordSet();
    const int row = records->currentRow();
    const auto shown = [&](ContactColumn column) {
        return row >= 0 ? records->shownText(row, column) : ShownText();
    };
    showValue(ui.txtName, kFieldLength, shown(ContactColumn::Name));
    showValue(ui.txtAdd, kFieldLength, shown(ContactColumn::Address));
    showValue(ui.txtCon, kFieldLength, shown(ContactColumn::Contact));
    showValue(ui.txtEmail, kFieldLength, shown(ContactColumn::Email));
    showValue(ui.txtCom, kFieldLength, shown(ContactColumn::Company));
    showValue(ui.Text1, kPhotoNameLength, shown(ContactColumn::Profile));
    if (row >= 0 && ui.DataGrid1->currentIndex().row() != row) {
        ui.DataGrid1->setCurrentIndex(m_model.index(row, static_cast<int>(ContactColumn::Name)));
    }
}

void MainWindow::setDetailFieldsLocked(bool locked)
{
    const auto lock = [locked](auto* field) {
        field->setReadOnly(locked || field->property(kCutProperty).toBool());
    };
    lock(ui.Text1);
    lock(ui.txtName);
    lock(ui.txtAdd);
    lock(ui.txtCon);
    lock(ui.txtEmail);
    lock(ui.txtCom);
}

Contact MainWindow::detailFieldTexts() const
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

void MainWindow::focusColourChanged(QWidget* field, bool hasFocus)
{
    setBackColour(field, hasFocus ? kFocusColour : kNormalColour);
}

QList<QWidget*> MainWindow::colouredFields() const
{
    return {ui.regName, ui.regAddress, ui.regCon, ui.regEmail, ui.regCom,
            ui.txtName, ui.txtAdd,     ui.txtCon, ui.txtEmail, ui.txtCom};
}

// The fields given a colour of their own (the name fields, and those the
// focus has been in) keep their text readable on it; the others take the
// scheme's colours for both.
void MainWindow::keepFieldTextReadable()
{
    for (QWidget* field : colouredFields()) {
        if (field->palette().isBrushSet(QPalette::Active, QPalette::Base)) {
            setBackColour(field, field->palette().color(QPalette::Base));
        }
    }
}

} // namespace norvane
