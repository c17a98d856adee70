#include "app/application.h"
#include "app/registry.h"
#include "app/start_trace.h"
#include "platform/display.h"
#include "platform/process_memory.h"
#include "platform/services.h"
#include "platform/single_instance.h"

#include <cstdio>

int main(int argc, char** argv)
{
    norvane::keepLargeBlocksMapped();
    if (!norvane::hasDisplay()) {
        std::fputs("norvane: no graphical display found (DISPLAY is not set); start it from a "
                   "desktop session.\n",
                   stderr);
        return 1;
    }
    norvane::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvane"));
    QApplication::setQuitOnLastWindowClosed(false);

    const norvane::Services services = norvane::productionServices();
    norvane::SingleInstance instance(services.folder->path());
    if (!instance.becomePrimary()) {
        // Norvane already runs on this folder: bring it forward instead.
        if (instance.lockProblem().isEmpty() && instance.askPrimaryToShow()) {
            return 0;
        }
        std::fprintf(stderr, "norvane: %s\n", qPrintable(instance.lockProblem()));
        services.messages->show(nullptr, instance.lockProblem(), QStringLiteral("Norvane"),
                                norvane::BoxIcon::Warning, norvane::BoxButtons::Ok);
        return 1;
    }
    norvane::loadDesignFonts();
    norvane::traceFirstGridPaint();
    norvane::Registry registry(services);
    QObject::connect(&instance, &norvane::SingleInstance::showRequested, &registry,
                     &norvane::Registry::bringForward);
    QObject::connect(&instance, &norvane::SingleInstance::reloadRequested, &registry,
                     &norvane::Registry::reloadWhenIdle);
    registry.start();
    return QApplication::exec();
}
