#pragma once

#include "about_window/frmabout.h"
#include "main_window/frmvesk.h"
#include "main_window/window_host.h"
#include "data/connection_text.h"
#include "platform/services.h"
#include "terms_window/form1.h"

#include <QObject>
#include <QPointer>

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

    void reloadMainWindow() override;
    frmAbout& aboutWindow() override;
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

    frmVesk* mainWindow() const { return m_main; }
    // The About and terms windows as they are now, without creating them.
    frmAbout* existingAboutWindow() const { return m_about; }
    Form1* termsWindow() const { return m_terms; }

private:
    void enableAndShowMainWindow();

    Services m_services;
    QPointer<frmVesk> m_main;
    QPointer<frmAbout> m_about;
    QPointer<Form1> m_terms;
    bool m_termsAsked = false;
    QString m_bookPassword = databasePassword();
};

} // namespace norvane
