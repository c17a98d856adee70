// Registers contacts through the store in a loop and reports each one the
// store acknowledged, until it is killed. The crash-safety test drives it.
#include "crash_contact.h"
#include "platform/data_control.h"
#include "store/contact_store.h"

#include <QCoreApplication>
#include <cstdio>

using namespace norvane;
using norvane::testing::crashContact;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = app.arguments().value(1);
    int next = app.arguments().value(2).toInt();
    DataControl adoLog;
    if (Status connected = connectSequence(adoLog, folder); !connected.ok()) {
        std::fprintf(stderr, "crash_writer: %s\n", qPrintable(connected.reason()));
        return 1;
    }
    for (;; ++next) {
        if (Status added = registerContact(adoLog, folder, crashContact(next)); !added.ok()) {
            std::fprintf(stderr, "crash_writer: %s\n", qPrintable(added.reason()));
            return 1;
        }
        std::printf("ACK %d\n", next);
        std::fflush(stdout);
    }
}
