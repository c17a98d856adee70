#pragma once

#include "widgets/contact_table_model.h"
#include "data/data_control.h"
#include "platform/services.h"
#include "ui_frmvesk.h"

#include <QWidget>
#include <array>

class QLineEdit;
class QTimer;

namespace norvane {

class WindowHost;

// The main window: the contact grid, the selected contact's fields, the
// register and update panels, the search strip and the status bar.
class frmVesk : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal kTwipsPerPixel = 15.0;
    static constexpr int kAlpha = 240;

    frmVesk(const Services& services, WindowHost& host, QWidget* parent = nullptr);
    ~frmVesk() override;

    // Start-up: connect, lay out the grid, fill the labels, translucency, show, tray.
    void Form_Load();
    // Removes the tray icon; the window is about to be discarded.
    void Form_Unload();

    // Restores the window from the taskbar and brings it to the front.
    void restore();

    // The status bar's ticks: date, time and row count; running time and column widths.
    void Timer1_Timer();
    void Timer2_Timer();

    // Grid column widths in twips, by position.
    void setColumnWidths(const std::array<float, 6>& twips);
    float columnWidth(int column) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Start-up and shutdown
    void Label10_Click();
    void Label11_Click();
    void trayNotified(int message);
    Status connectWithPassphrase(const Status& failure);
    void warnOpenFailure(const QString& reason);
    BoxAnswer box(const QString& text, BoxIcon icon, BoxButtons buttons = BoxButtons::Ok);
    void updateResultLabel();

    // Fields: binding to the current record, focus colour, locking
    void setupFields();
    void showCurrentRecord();
    void setDetailFieldsLocked(bool locked);
    Contact detailFieldTexts() const;
    void focusColourChanged(QWidget* field, bool hasFocus);

    // Register panel and photo step
    void cmdReg_Click();
    void AeroButton5_Click();
    void AeroButton1_Click();
    void AeroButton2_Click();
    Contact registerFieldTexts() const;

    // Status bar, hover menu and web link
    void setupStatusAndMenu();
    void menuPanelPointerMoved();
    void Label12_Click();
    void Label13_Click();
    void Label22_Click();

    // Update mode, remove, refresh and search
    void cmdUpdate_Click();
    void AeroButton3_Click();
    void AeroButton4_Click();
    void cmdRemove_Click();
    void cmdRefresh_Click();
    void txtSearch_Change();
    void setUpdateMode(bool on);

    Ui::frmVesk ui;
    Services m_services;
    WindowHost& m_host;
    DataControl m_adoLog;
    ContactTableModel m_model;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    // The photo chosen in the register panel: kept until the window reloads.
    QString m_photoSource;
    // What the detail fields showed when update mode began: only what differs
    // from it is written.
    Contact m_shownForEdit;
};

} // namespace norvane
