#pragma once

#include "app/registry.h"
#include "fake_services.h"
#include "main_window/frmvesk.h"
#include "test_folder.h"

#include <QTest>

#include <memory>

namespace norvane::testing {

// Norvane started on a temporary application folder with the test doubles:
// the real registry, the real windows, a real encrypted database.
class RunningApp
{
public:
    explicit RunningApp(const QList<Contact>& contacts = {}, bool withDatabase = true);
    ~RunningApp();

    frmVesk* window() const { return registry->mainWindow(); }

    template <class T> T* find(const char* name) const
    {
        T* widget = window()->findChild<T*>(QLatin1String(name));
        if (!widget) {
            qFatal("no widget named %s", name);
        }
        return widget;
    }
    void click(const char* buttonName) const;
    // Makes the main window the active one, so that the focus can move in it.
    void activate() const;
    // Reloads leave the old window to the event loop; let it go.
    void settle() const;
    // The six texts the detail fields show now.
    Contact shownContact() const;
    QStringList boxTexts() const;

    FakeServices fakes;
    TestFolder folder;
    std::unique_ptr<Registry> registry;
};

} // namespace norvane::testing
