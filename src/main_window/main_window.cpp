#include "main_window/main_window.h"

#include "contacts/contact_store.h"
#include "data/vector_state.h"
#include "main_window/window_host.h"
#include "sync/account.h"
#include "widgets/cached_scroll_bar.h"
#include "widgets/controls.h"
#include "widgets/grid_cell_delegate.h"
#include "widgets/pictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QTimer>

namespace norvane {

namespace {

constexpr std::array<float, 6> kLoadColumnWidths = {0, 3000, 2000, 6000, 3000, 3000};

} // namespace

MainWindow::MainWindow(const Services& services, WindowHost& host, QWidget* parent)
    : QWidget(parent), m_services(services), m_host(host), m_model(m_dataControl.recordSet())
{
    ui.setupUi(this);
    setWindowFlag(Qt::FramelessWindowHint);
    setUpFixedWindow(this, QApplication::palette(this).color(QPalette::ToolTipBase), false);
    takeSchemeGround();
    // The window draws its own title and close controls: a drag over its
    // surface or its title moves it.
    new SurfaceDrag(this);

    auto* rowNumbers = new RowNumberHeader(ui.DataGrid1);
    rowNumbers->setSectionsClickable(true); // as the grid's own header is
    rowNumbers->setHighlightSections(true);
    ui.DataGrid1->setVerticalHeader(rowNumbers);
    ui.DataGrid1->setVerticalScrollBar(new CachedScrollBar(Qt::Vertical, ui.DataGrid1));
    ui.DataGrid1->setHorizontalScrollBar(new CachedScrollBar(Qt::Horizontal, ui.DataGrid1));
    ui.DataGrid1->setItemDelegate(new GridCellDelegate(ui.DataGrid1));
    ui.DataGrid1->setModel(&m_model);
    ui.DataGrid1->verticalHeader()->setDefaultSectionSize(20);
    ui.DataGrid1->horizontalHeader()->setMinimumSectionSize(0);
    ui.DataGrid1->horizontalHeader()->setHighlightSections(false);
    ui.regPic->setPixmap(placeholderPhoto(ui.regPic->size()));

    connect(ui.Label10, &ClickLabel::clicked, this, &MainWindow::closeWindow);
    connect(ui.Label11, &ClickLabel::clicked, this, &MainWindow::minimize);
    connect(m_services.tray, &TrayService::notified, this, &MainWindow::trayNotified);
    connect(ui.cmdReg, &QPushButton::clicked, this, &MainWindow::openRegisterPanel);
    connect(ui.AeroButton5, &QPushButton::clicked, this, &MainWindow::choosePhoto);
    connect(ui.AeroButton1, &QPushButton::clicked, this, &MainWindow::saveNewContact);
    connect(ui.AeroButton2, &QPushButton::clicked, this, &MainWindow::closeRegisterPanel);
    connect(ui.cmdUpdate, &QPushButton::clicked, this, &MainWindow::enterUpdateMode);
    connect(ui.AeroButton3, &QPushButton::clicked, this, &MainWindow::saveEditedContact);
    connect(ui.AeroButton4, &QPushButton::clicked, this, &MainWindow::leaveUpdateMode);
    connect(ui.cmdRemove, &QPushButton::clicked, this, &MainWindow::removeSelectedContact);
    connect(ui.cmdRefresh, &QPushButton::clicked, this, &MainWindow::reloadTable);
    connect(ui.txtSearch, &QLineEdit::textChanged, this, &MainWindow::searchAsTyped);
    setupFields();
    setupStatusAndMenu();
    setupKeyboard();
    setupExchange();
    m_followsScheme = true;
}

MainWindow::~MainWindow() = default;

bool MainWindow::hasSyncAccount()
{
    Database* book = m_dataControl.database();
    QString reason;
    return book && loadAccount(*book, reason).has_value();
}

void MainWindow::load()
{
    // The window's pictures were painted a moment ago, in this same event:
    // the key derivation and the read must not run with the vector
    // registers as the painting left them.
    clearUpperVectorState();
    Status connected = connectSequence(m_dataControl, m_services.folder->path(), kWholeTable,
                                       m_host.bookPassword());
    if (connected.kind() == Status::Failure::WrongKey) {
        connected = connectWithPassphrase(connected);
    }
    m_openFailure = connected;
    setColumnWidths(kLoadColumnWidths);
    showDateAndTime();
    updateResultLabel();
    setWindowOpacity(kAlpha / 255.0);
    show();
    ui.DataGrid1->setFocus();
    repaint();
    m_services.tray->add(windowIcon(), QStringLiteral("NORVANE"));
    QTimer::singleShot(0, this, &MainWindow::prepareSearches);
    m_timer1->start();
    m_timer2->start();
    if (!connected.ok()) {
        warnOpenFailure(connected.reason());
    }
    m_host.termsGate();
}

void MainWindow::unload()
{
    m_timer1->stop();
    m_timer2->stop();
    m_services.tray->remove();
    m_dataControl.close();
}

// The built-in password did not open the book: it may be under a passphrase
// of the user's. Three tries; after Cancel or the last one, the failure also
// says which, and how to be asked again.
Status MainWindow::connectWithPassphrase(const Status& failure)
{
    constexpr int kTries = 3;
    const QString file = shownBookFile();
    const auto leftUnopened = [&failure](const QString& why) {
        return Status::failure(failure.reason() + QLatin1Char(' ') + why, failure.kind());
    };
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        const QString prompt =
            attempt == 1
                ? tr("The address book %1 is protected by a passphrase.\n\nPassphrase:").arg(file)
                : tr("That passphrase did not open the address book (try %1 of %2).\n\n"
                     "Passphrase:")
                      .arg(attempt)
                      .arg(kTries);
        const std::optional<QString> typed = m_services.passphrases->ask(this, prompt);
        if (!typed) {
            return leftUnopened(tr("No passphrase was given; REFRESH (F5) asks for one again."));
        }
        const Status connected =
            connectSequence(m_dataControl, m_services.folder->path(), kWholeTable, *typed);
        if (connected.kind() != Status::Failure::WrongKey) {
            if (connected.ok()) {
                m_host.setBookPassword(*typed);
            }
            return connected;
        }
    }
    return leftUnopened(tr("None of the passphrases typed opened it; REFRESH (F5) asks again."));
}

// An address book that silently shows no rows would look empty; say why it is.
void MainWindow::warnOpenFailure(const QString& reason)
{
    box(tr("The address book %1 could not be opened.\n\n%2\n\nNo contacts are shown.")
            .arg(shownBookFile(), reason),
        BoxIcon::Warning);
}

QString MainWindow::shownBookFile() const
{
    return QDir::toNativeSeparators(databaseFile(m_services.folder->path()));
}

BoxAnswer MainWindow::box(const QString& text, BoxIcon icon, BoxButtons buttons)
{
    return m_services.messages->show(this, text, timeText(*m_services.clock), icon, buttons);
}

void MainWindow::updateResultLabel()
{
    ui.lblResult->setText(QStringLiteral("Results:  ") + QString::number(m_model.rowCount()));
}

void MainWindow::setColumnWidths(const std::array<float, 6>& twips)
{
    for (std::size_t column = 0; column < twips.size(); ++column) {
        ui.DataGrid1->setColumnWidth(static_cast<int>(column),
                                     qRound(twips[column] / kTwipsPerPixel));
    }
}

float MainWindow::columnWidth(int column) const
{
    return static_cast<float>(ui.DataGrid1->columnWidth(column) * kTwipsPerPixel);
}

// "X" and the window manager's close: typed text not saved is asked about.
void MainWindow::closeWindow()
{
    if (mayThrowAwayTyping()) {
        sayThanksAndExit();
    }
}

void MainWindow::sayThanksAndExit()
{
    box(QStringLiteral("Thank You for using this freeware!\r\n-Orrin Vale"), BoxIcon::Information);
    m_host.endAtOnce();
}

void MainWindow::restore()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    show();
}

void MainWindow::minimize()
{
    setWindowState(windowState() | Qt::WindowMinimized);
}

// Only the tray's own notifications restore or raise the window; pointer
// movement over the window never does.
void MainWindow::trayNotified(int message)
{
    if (message == TrayService::kClick || message == TrayService::kDoubleClick) {
        restore();
    } else if (message == TrayService::kContextClick) {
        raise();
        activateWindow();
    }
}

// The window's back colour is the system's tooltip background, and what is
// written straight on it takes the tooltip's text colour, which the colour
// scheme makes readable there. True when that changed the window's colours.
bool MainWindow::takeSchemeGround()
{
    const QPalette scheme = QApplication::palette(this);
    QPalette onTooltip = palette();
    onTooltip.setColor(QPalette::Window, scheme.color(QPalette::ToolTipBase));
    takeColours(onTooltip, QPalette::WindowText, scheme, QPalette::ToolTipText);
    if (onTooltip == palette()) {
        return false;
    }
    setPalette(onTooltip);
    // Qt hands a parent's new palette to no child with a style sheet: the
    // captions whose fonts one sets take the text colour here.
    for (QLabel* caption : {ui.Label22, ui.Label11, ui.Label10}) {
        QPalette colours = caption->palette();
        takeColours(colours, QPalette::WindowText, onTooltip, QPalette::WindowText);
        caption->setPalette(colours);
    }
    return true;
}

// A colour scheme switched while the window is open (a desktop going dark at
// dusk) gives the window the new scheme's ground at once, and the text on
// Norvane's own light colours the new scheme's colour where it reads there.
void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_followsScheme && takeSchemeGround()) {
        keepBarTextReadable();
        keepFieldTextReadable();
    }
}

// Closing from the window manager leaves the way "X" does.
void MainWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    closeWindow();
}

// Pointer movement over the menu panel and the grid, and the ten fields' focus changes.
bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == ui.Picture3) {
            // Taken here, so it does not reach the window's surface and close the panel.
            menuPanelPointerMoved();
            return true;
        }
        if (watched == ui.DataGrid1->viewport()) {
            ui.Picture3->hide();
        }
    } else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        focusColourChanged(static_cast<QWidget*>(watched), event->type() == QEvent::FocusIn);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace norvane
