// The keyboard: shortcuts, Enter in the fields, Escape, and the controls a
// panel covers, which take no focus and no key while they are covered.
#include "main_window/main_window.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QShortcut>

namespace norvane {

void MainWindow::setupKeyboard()
{
    // A shortcut of the whole window, or of one widget when a scope is given;
    // none acts while the window is disabled behind another.
    const auto onKeys = [this](const QKeySequence& keys, auto action, QWidget* scope = nullptr) {
        auto* shortcut = new QShortcut(keys, scope ? scope : this);
        shortcut->setContext(scope ? Qt::WidgetShortcut : Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, action] {
            if (isEnabled()) {
                action();
            }
        });
    };
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_N), [this] { pressIfReachable(ui.cmdReg); });
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_E), [this] { pressIfReachable(ui.cmdUpdate); });
    onKeys(QKeySequence(Qt::Key_F2), [this] { pressIfReachable(ui.cmdUpdate); });
    onKeys(
        QKeySequence(Qt::Key_Delete), [this] { pressIfReachable(ui.cmdRemove); }, ui.DataGrid1);
    // The list's menu (import, export), for keyboards without a menu key.
    onKeys(
        QKeySequence(Qt::SHIFT | Qt::Key_F10), [this] { openGridMenu(); }, ui.DataGrid1);
    onKeys(QKeySequence(Qt::Key_F5), [this] { pressIfReachable(ui.cmdRefresh); });
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        if (ui.txtSearch->isEnabled()) {
            ui.txtSearch->setFocus(Qt::ShortcutFocusReason);
            ui.txtSearch->selectAll();
        }
    });
    onKeys(QKeySequence(Qt::Key_F1), [this] { openAboutWindow(); });
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { askToExit(); });
    onKeys(QKeySequence(Qt::Key_Escape), [this] { escape(); });

    ui.cmdReg->setToolTip(tr("Register a new contact (Ctrl+N)"));
    ui.cmdUpdate->setToolTip(tr("Change the selected contact (Ctrl+E or F2)"));
    ui.cmdRemove->setToolTip(tr("Remove the selected contact (Delete in the list)"));
    ui.cmdRefresh->setToolTip(tr("Read the address book again (F5)"));
    ui.txtSearch->setToolTip(tr("Search as you type (Ctrl+F)"));
    ui.Label9->setToolTip(tr("About Norvane: F1. Exit: Ctrl+Q."));

    // Enter in a one-line field saves the panel it belongs to.
    for (QLineEdit* field : {ui.regName, ui.regAddress, ui.regEmail, ui.regCom}) {
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (ui.picReg->isVisible()) {
                pressIfReachable(ui.AeroButton1);
            }
        });
    }
    for (QLineEdit* field : {ui.txtName, ui.txtAdd, ui.txtEmail, ui.txtCom}) {
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (ui.picUPD->isVisible()) {
                pressIfReachable(ui.AeroButton3);
            }
        });
    }
    // The photo name on the menu bar is for the pointer, not a stop of Tab.
    ui.Text1->setFocusPolicy(Qt::ClickFocus);
}

// Opens the list's menu by the current row, as the menu key does.
void MainWindow::openGridMenu()
{
    QWidget* viewport = ui.DataGrid1->viewport();
    QPoint at = ui.DataGrid1->visualRect(ui.DataGrid1->currentIndex()).center();
    if (!viewport->rect().contains(at)) {
        at = viewport->rect().center();
    }
    at = viewport->mapTo(ui.DataGrid1, at);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, ui.DataGrid1->mapToGlobal(at));
    QCoreApplication::sendEvent(ui.DataGrid1, &event);
}

void MainWindow::pressIfReachable(QPushButton* button)
{
    if (button->isVisible() && button->isEnabled()) {
        button->click();
    }
}

// Escape closes what is open in front: the register panel as its "CANCEL"
// does, update mode as the panel's "CANCEL" does, else the menu.
void MainWindow::escape()
{
    if (!isEditing()) {
        ui.Picture3->hide();
    } else if (mayThrowAwayTyping()) {
        pressIfReachable(ui.picReg->isVisible() ? ui.AeroButton2 : ui.AeroButton4);
    }
}

// Text typed into an open panel and not saved: the register panel's next
// opening empties its fields, and leaving update mode puts the stored values
// back.
bool MainWindow::holdsUnsavedTyping() const
{
    return (ui.picReg->isVisible() && registerFieldTexts() != Contact()) ||
           (ui.picUPD->isVisible() && detailFieldTexts() != m_shownForEdit);
}

// A key pressed or a window closed by mistake asks before typed text goes;
// Enter pressed on the question keeps it.
bool MainWindow::mayThrowAwayTyping()
{
    return !holdsUnsavedTyping() || box(tr("Throw away the changes typed?"), BoxIcon::Question,
                                        BoxButtons::YesNoDefaultNo) == BoxAnswer::Yes;
}

// The register panel lies over the detail fields and the command row.
void MainWindow::setCoveredByRegisterPanel(bool covered)
{
    enableAll(commandRow() +
                  QList<QWidget*>{ui.txtName, ui.txtAdd, ui.txtCon, ui.txtEmail, ui.txtCom},
              !covered);
}

QList<QWidget*> MainWindow::commandRow() const
{
    return {ui.cmdReg, ui.cmdUpdate, ui.cmdRemove, ui.cmdRefresh};
}

void MainWindow::enableAll(const QList<QWidget*>& widgets, bool enabled)
{
    for (QWidget* widget : widgets) {
        widget->setEnabled(enabled);
    }
}

} // namespace norvane
