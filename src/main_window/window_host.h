#pragma once

#include <QString>
#include <optional>

namespace norvane {

class AboutWindow;

// What the windows ask of the code that owns the application's windows.
class WindowHost
{
public:
    virtual ~WindowHost() = default;
    // Unloads the main window and shows a new one, whose start-up runs again,
    // where the old one stood and with the given contact selected if it is
    // still there. Safe to call from the main window's own handlers.
    virtual void reloadMainWindow(std::optional<qint64> selectContact = std::nullopt) = 0;

    // The book changed under the window (another program, a sync): the
    // table is read again once no panel or dialog is open.
    virtual void reloadWhenIdle() = 0;

    // The register panel or update mode closed without saving: a reload it
    // held back runs once the calling handler has returned.
    virtual void editingEnded() = 0;

    // The About window, created hidden with its counter at 0:0:0 if there is none.
    virtual AboutWindow& aboutWindow() = 0;
    virtual void showAboutWindow() = 0;
    // Discards the About window and its counter; enables and shows the main window.
    virtual void closeAboutWindow() = 0;

    // The last step of the main window's start-up: the terms window in front
    // at the first load of a run, loaded but hidden at every later one.
    virtual void termsGate() = 0;
    // Discards the terms window; enables and shows the main window.
    virtual void closeTermsWindow() = 0;

    // Removes the tray icon and ends the process at once.
    virtual void endAtOnce() = 0;

    // The password that opened the address book in this run: the built-in one
    // unless the user gave a passphrase. Held in memory only, for reloads.
    virtual QString bookPassword() const = 0;
    virtual void setBookPassword(const QString& password) = 0;
};

} // namespace norvane
