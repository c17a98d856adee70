#include "app/registry.h"

#include <QApplication>
#include <QWindow>

namespace norvane {

namespace {

// A window that may be running the handler that discards it: hide it now,
// delete it once control is back in the event loop.
void discard(QWidget* window)
{
    if (window) {
        window->hide();
        window->deleteLater();
    }
}

} // namespace

Registry::Registry(const Services& services, QObject* parent)
    : QObject(parent), m_services(services)
{
    connect(&m_sync, &BackgroundSync::finished, this, &Registry::syncEnded);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Registry::keepWindowsInFront);
}

Registry::~Registry()
{
    delete m_terms;
    delete m_about;
    delete m_main;
}

void Registry::start()
{
    m_main = new MainWindow(m_services, *this);
    m_main->load();
    requestSync();
}

// A run opens the book on a connection of its own, and its reading would
// hold up the window's next write: none starts for a book without an account.
void Registry::requestSync()
{
    if (m_main && m_main->hasSyncAccount()) {
        m_sync.request(m_services.folder->path(), m_bookPassword);
    }
}

void Registry::syncEnded(const SyncOutcome& outcome)
{
    if (outcome.changedBook) {
        m_showingSync = true;
        reloadWhenIdle();
        m_showingSync = false;
    }
    if (!outcome.warning.isEmpty() && m_main) {
        m_services.messages->show(m_main, outcome.warning, timeText(*m_services.clock),
                                  BoxIcon::Warning, BoxButtons::Ok);
    }
}

// A dialog's own event loop may run this (a sync ending, another program
// asking); the reload follows once the dialog is gone.
void Registry::reloadWhenIdle()
{
    if (!m_main) {
        return;
    }
    QWidget* dialog = QApplication::activeModalWidget();
    if (m_main->isEditing() || dialog) {
        m_reloadHeldBack = m_reloadHeldBack.value_or(true) && m_showingSync;
        if (dialog) {
            connect(dialog, &QObject::destroyed, this, &Registry::runHeldBackReload,
                    static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::UniqueConnection));
        }
        return;
    }
    // The user did not ask for this reload: what is being typed into the
    // search strip stays.
    replaceMainWindow(m_main->currentContactId(), m_main->searchStrip());
}

// Queued: the handler that closed the panel ends before its window goes.
void Registry::editingEnded()
{
    QMetaObject::invokeMethod(this, &Registry::runHeldBackReload, Qt::QueuedConnection);
}

void Registry::runHeldBackReload()
{
    if (m_reloadHeldBack) {
        m_showingSync = *m_reloadHeldBack;
        reloadWhenIdle();
        m_showingSync = false;
    }
}

// The old window gives up its rows first, so that two tables are never held
// at once, but stays on screen until the new one shows where it stood: the
// user never sees the desktop in between.
void Registry::reloadMainWindow(std::optional<qint64> selectContact)
{
    replaceMainWindow(selectContact, std::nullopt);
}

void Registry::replaceMainWindow(std::optional<qint64> selectContact,
                                 const std::optional<MainWindow::SearchStrip>& search)
{
    m_reloadHeldBack.reset();
    MainWindow* old = m_main;
    if (old) {
        old->unload();
    }
    m_main = new MainWindow(m_services, *this);
    if (old) {
        m_main->move(old->pos());
        // A window the user minimised stays so when a sync or another
        // program reloads it.
        if (old->isMinimized()) {
            m_main->setWindowState(Qt::WindowMinimized);
        }
        // Nor does it take the keyboard from the program the user works in.
        m_main->setAttribute(Qt::WA_ShowWithoutActivating, !old->isActiveWindow());
    }
    m_main->load();
    if (search) {
        m_main->restoreSearchStrip(*search);
    }
    if (selectContact) {
        m_main->selectContact(*selectContact);
    }
    discard(old);
    if (!m_showingSync) {
        requestSync();
    }
}

AboutWindow& Registry::aboutWindow()
{
    if (!m_about) {
        m_about = new AboutWindow(m_services, *this);
    }
    return *m_about;
}

void Registry::showAboutWindow()
{
    aboutWindow().show();
    m_about->raise();
    m_about->activateWindow();
}

void Registry::closeAboutWindow()
{
    discard(m_about);
    m_about = nullptr;
    enableAndShowMainWindow();
}

// The counter is read so that it starts with the application. Whether the
// terms are shown does not depend on its value: they are asked once a run.
void Registry::termsGate()
{
    aboutWindow().seconds();
    if (!m_terms) {
        m_terms = new TermsWindow(m_services, *this);
    }
    if (!m_termsAsked) {
        m_termsAsked = true;
        m_terms->show();
    }
    // Also a window loaded again while the terms or the About window are
    // still open (a sync ending, another program asking) waits for them,
    // and they stay in front of it.
    if (raiseWindowsInFront()) {
        m_main->setEnabled(false);
    }
}

void Registry::closeTermsWindow()
{
    discard(m_terms);
    m_terms = nullptr;
    enableAndShowMainWindow();
}

void Registry::endAtOnce()
{
    m_services.tray->remove();
    m_services.process->endNow();
}

void Registry::bringForward()
{
    if (m_main) {
        m_main->restore();
    }
    raiseWindowsInFront();
}

bool Registry::raiseWindowsInFront()
{
    bool raised = false;
    for (QWidget* front : {static_cast<QWidget*>(m_terms), static_cast<QWidget*>(m_about)}) {
        if (front && front->isVisible()) {
            front->raise();
            front->activateWindow();
            raised = true;
        }
    }
    // A question open over them (Decline's, a box of the main window) stays
    // on top of them, with the input.
    if (QWidget* modal = QApplication::activeModalWidget(); raised && modal) {
        modal->raise();
        modal->activateWindow();
    }
    return raised;
}

void Registry::keepWindowsInFront(QWindow* focused)
{
    if (m_main && focused && focused == m_main->windowHandle()) {
        raiseWindowsInFront();
    }
}

void Registry::enableAndShowMainWindow()
{
    if (m_main) {
        m_main->setEnabled(true);
        m_main->show();
        m_main->raise();
        m_main->activateWindow();
    }
}

} // namespace norvane
