#include "app/registry.h"
#include "platform/display.h"
#include "platform/services.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (!norvane::hasDisplay()) {
        std::fputs("norvane: no graphical display found (DISPLAY is not set); start it from a "
                   "desktop session.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvane"));
    QApplication::setQuitOnLastWindowClosed(false);

    const norvane::Services services = norvane::productionServices();
    norvane::SingleInstance instance(services.folder->path());
    if (!instance.becomePrimary()) {
        // Norvane already runs on this folder: bring it forward instead.
        return instance.askPrimaryToShow() ? 0 : 1;
    }
    norvane::loadDesignFonts();
    norvane::Registry registry(services);
    QObject::connect(&instance, &norvane::SingleInstance::showRequested, &registry,
                     &norvane::Registry::bringForward);
    registry.start();
    return QApplication::exec();
}
