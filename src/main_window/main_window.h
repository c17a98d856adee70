#pragma once

#include "data/data_control.h"
#include "platform/services.h"
#include "ui_main_window.h"
#include "widgets/contact_table_model.h"

#include <QWidget>
#include <array>
#include <memory>

class QDragEnterEvent;
class QDropEvent;
class QLineEdit;
class QTimer;

namespace norvane {

class WindowHost;

// The main window: the contact grid, the selected contact's fields, the
// register and update panels, the search strip and the status bar.
//
// Its widgets keep the object names of the window's design (main_window.ui).
// Those that do not say what they are: Label7 the title, Label10 "X",
// Label11 "--", Label9 "Menu" and Picture3 its panel with Label12 (About) and
// Label13 (Exit), Label22 the web link, Text1 the photo name, DataGrid1 the
// grid; picReg the register panel with AeroButton1 (save), AeroButton2
// (cancel), and regIMG with AeroButton5 (the photo step); picUPD the update
// panel with AeroButton3 (save) and AeroButton4 (cancel); Option1 to Option3
// the search columns; Timer1 the clock, Timer2 the running time.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal kTwipsPerPixel = 15.0;
    static constexpr int kAlpha = 240;

    MainWindow(const Services& services, WindowHost& host, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: connect, lay out the grid, fill the labels, translucency, show, tray.
    void load();
    // Removes the tray icon and lets go of the rows; the window is about to
    // be discarded, and stays on screen, empty, until its successor shows.
    void unload();

    // Restores the window from the taskbar and brings it to the front.
    void restore();

    // Makes the contact with this ID the selected row, scrolled into view;
    // nothing when it is not shown.
    void selectContact(qint64 id);
    // The selected contact's ID; none when no row is selected.
    std::optional<qint64> currentContactId() const;
    // Whether the register panel or update mode holds what the user types.
    bool isEditing() const;

    // What the search strip holds: the text, the column it was searched on,
    // the column chosen since (a choice alone searches nothing), and where
    // the user is typing in it.
    struct SearchStrip
    {
        QString text;
        ContactColumn searched = ContactColumn::Name;
        ContactColumn chosen = ContactColumn::Name;
        bool typing = false;
        int cursor = 0;
    };
    SearchStrip searchStrip() const;
    // Puts a strip's search in force again, as if it had been typed here.
    void restoreSearchStrip(const SearchStrip& strip);
    // Whether the open book names a CardDAV account, read on the window's
    // own connection: a book without one needs no sync run at all.
    bool hasSyncAccount();

    // The status bar's ticks: date, time and row count; running time and column widths.
    void refreshClock();
    void showDateAndTime();
    void refreshRunningTime();

    // Grid column widths in twips, by position.
    void setColumnWidths(const std::array<float, 6>& twips);
    float columnWidth(int column) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Start-up and shutdown
    void closeWindow();
    bool takeSchemeGround();
    void sayThanksAndExit();
    void minimize();
    void trayNotified(int message);
    Status connectWithPassphrase(const Status& failure);
    void warnOpenFailure(const QString& reason);
    // The book's file as the user's system writes paths.
    QString shownBookFile() const;
    BoxAnswer box(const QString& text, BoxIcon icon, BoxButtons buttons = BoxButtons::Ok);
    void updateResultLabel();

    // Fields: binding to the current record, focus colour, locking
    void setupFields();
    void showCurrentRecord();
    void setDetailFieldsLocked(bool locked);
    Contact detailFieldTexts() const;
    void focusColourChanged(QWidget* field, bool hasFocus);
    QList<QWidget*> colouredFields() const;
    void keepFieldTextReadable();

    // Register panel and photo step
    void openRegisterPanel();
    void choosePhoto();
    void saveNewContact();
    void closeRegisterPanel();
    Contact registerFieldTexts() const;

    // Status bar, hover menu and web link
    void setupStatusAndMenu();
    void keepBarTextReadable();
    void menuPanelPointerMoved();
    void openAboutWindow();
    void askToExit();
    void openWebsite();

    // Update mode, remove, refresh and search
    void enterUpdateMode();
    void saveEditedContact();
    void leaveUpdateMode();
    void removeSelectedContact();
    void showStoredBookLater(const Status& refused);
    bool saysNothingCanBeChanged();
    bool saysTheBookIsLocked();
    bool saysWhyNothingCanBeAdded();
    void reloadTable();
    void searchAsTyped();
    ContactColumn chosenSearchColumn() const;
    QRadioButton* searchOption(ContactColumn column) const;
    void prepareSearches();
    void setUpdateMode(bool on);
    // The contact a removal leaves selected.
    std::optional<qint64> contactAfterRemoval() const;

    // Import and export: the grid's right-click menu and dropped files
    void setupExchange();
    void chooseFilesToImport();
    void importContactFiles(const QStringList& files);
    void exportToChosenFile(bool selectedOnly);
    std::unique_ptr<Database> openBookForExchange(QString& reason) const;

    // Keyboard: shortcuts, Enter in the fields, and what a panel covers
    void setupKeyboard();
    void pressIfReachable(QPushButton* button);
    void escape();
    void openGridMenu();
    bool holdsUnsavedTyping() const;
    bool mayThrowAwayTyping();
    void setCoveredByRegisterPanel(bool covered);
    QList<QWidget*> commandRow() const;
    static void enableAll(const QList<QWidget*>& widgets, bool enabled);

    Ui::MainWindow ui;
    Services m_services;
    WindowHost& m_host;
    DataControl m_dataControl;
    ContactTableModel m_model;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    // The photo chosen in the register panel: kept until the window reloads.
    QString m_photoSource;
    // What the detail fields showed when update mode began: only what differs
    // from it is written.
    Contact m_shownForEdit;
    // Why the book did not open at load, when it did not.
    Status m_openFailure = Status::success();
    // Set once the window's own colours are in place: from then on a palette
    // change is the desktop's colour scheme switching.
    bool m_followsScheme = false;
};

} // namespace norvane
