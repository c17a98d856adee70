#include "app/registry.h"
#include "platform/display.h"
#include "platform/services.h"

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
    norvane::loadDesignFonts();

    norvane::Registry registry(norvane::productionServices());
    registry.start();
    return QApplication::exec();
}
