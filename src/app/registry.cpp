#include "app/registry.h"

#include "main_window/frmvesk.h"

namespace norvane {

Registry::Registry(const Services& services, QObject* parent)
    : QObject(parent), m_services(services)
{
}

Registry::~Registry()
{
    delete m_main;
}

void Registry::start()
{
    m_main = new frmVesk(m_services, *this);
    m_main->Form_Load();
}

// The old window may be running the handler that asked for the reload, so it
// is only hidden now and deleted once control is back in the event loop.
void Registry::reloadMainWindow()
{
    if (frmVesk* old = m_main) {
        old->Form_Unload();
        old->hide();
        old->deleteLater();
    }
    start();
}

} // namespace norvane
