#pragma once

#include "main_window/frmvesk.h"
#include "main_window/window_host.h"
#include "platform/services.h"

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

    frmVesk* mainWindow() const { return m_main; }

private:
    Services m_services;
    QPointer<frmVesk> m_main;
};

} // namespace norvane
