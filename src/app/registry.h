#pragma once

#include "about_window/about_window.h"
#include "data/connection_text.h"
#include "main_window/main_window.h"
#include "main_window/window_host.h"
#include "platform/services.h"
#include "sync/background_sync.h"
#include "terms_window/terms_window.h"

#include <QObject>
#include <QPointer>

class QWindow;

namespace norvane {

// Creates, reloads and ends the application's windows.
class Registry : public QObject, public WindowHost
{
    Q_OBJECT
public:
    explicit Registry(const Services& services, QObject* parent = nullptr);
    ~Registry() override;

    // Creates the main window and runs its start-up.
    void start();
    // Another program changed the book: the table is read again, the user's
    // place kept. While the user is typing in a panel it waits for the panel
    // to close (saving brings a reload of its own, cancelling runs this
    // one), and while a dialog is open, for the dialog to close: the code
    // that opened it goes on with the window once it closes.
    void reloadWhenIdle() override;

    void reloadMainWindow(std::optional<qint64> selectContact = std::nullopt) override;
    void editingEnded() override;
    AboutWindow& aboutWindow() override;
    void showAboutWindow() override;
    void closeAboutWindow() override;
    void termsGate() override;
    void closeTermsWindow() override;
    void endAtOnce() override;
    QString bookPassword() const override { return m_bookPassword; }
    void setBookPassword(const QString& password) override { m_bookPassword = password; }

    // Shows the main window, or the window standing in front of it, as the
    // tray's click does; for a second start of Norvane.
    void bringForward();

    MainWindow* mainWindow() const { return m_main; }
    // The About and terms windows as they are now, without creating them.
    AboutWindow* existingAboutWindow() const { return m_about; }
    TermsWindow* termsWindow() const { return m_terms; }

    // Keeps the book in step with its CardDAV account, if it has one, in
    // the background: after start-up, and after every reload the user
    // brings about (register, update, remove, REFRESH, an import).
    void requestSync();
    BackgroundSync& backgroundSync() { return m_sync; }

private:
    void enableAndShowMainWindow();
    // Raises and activates the terms or About window where one is open, in
    // front of the main window it holds, and a question open over it on
    // top; false when neither is open.
    bool raiseWindowsInFront();
    // A click on the disabled main window makes the window manager raise it,
    // and focus it, over the terms or About window: that window, the only
    // one taking input, comes back in front.
    void keepWindowsInFront(QWindow* focused);
    void runHeldBackReload();
    // Replaces the main window; the new one selects the contact, after
    // searching as the old one did when a search strip is given.
    void replaceMainWindow(std::optional<qint64> selectContact,
                           const std::optional<MainWindow::SearchStrip>& search);
    // Shows what the server changed, keeping the user's place, and warns
    // once for a run that failed.
    void syncEnded(const SyncOutcome& outcome);

    Services m_services;
    QPointer<MainWindow> m_main;
    QPointer<AboutWindow> m_about;
    QPointer<TermsWindow> m_terms;
    bool m_termsAsked = false;
    BackgroundSync m_sync;
    bool m_showingSync = false; // the reload shows a sync's changes: no new sync
    // A reload an open panel or dialog holds back; true when it only shows a
    // sync's changes.
    std::optional<bool> m_reloadHeldBack;
    QString m_bookPassword = databasePassword();
};

} // namespace norvane
