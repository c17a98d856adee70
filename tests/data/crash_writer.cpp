// Registers contacts through the store in a loop and reports each one the
// store acknowledged, until it is killed; or, given a count, registers that
// many and ends the way Norvane ends, at once, through the platform's process
// service (-1: no end). A pause in milliseconds between contacts makes it
// write the way people do rather than flat out. The crash-safety,
// data-safety and backup tests drive it.
#include "contacts/contact_store.h"
#include "crash_contact.h"
#include "data/data_control.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

using namespace norvane;
using norvane::testing::crashContact;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = app.arguments().value(1);
    int next = app.arguments().value(2).toInt();
    const int count = app.arguments().value(3, QStringLiteral("-1")).toInt();
    const unsigned long pauseMs = app.arguments().value(4).toULong();
    DataControl dataControl;
    if (Status connected = connectSequence(dataControl, folder); !connected.ok()) {
        std::fprintf(stderr, "crash_writer: %s\n", qPrintable(connected.reason()));
        return 1;
    }
    for (int written = 0;; ++next, ++written) {
        if (written == count) {
            productionServices().process->endNow();
        }
        if (Status added = registerContact(dataControl, folder, crashContact(next)); !added.ok()) {
            std::fprintf(stderr, "crash_writer: %s\n", qPrintable(added.reason()));
            return 1;
        }
        std::printf("ACK %d\n", next);
        std::fflush(stdout);
        QThread::msleep(pauseMs);
    }
}
