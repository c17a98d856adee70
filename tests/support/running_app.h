#pragma once

#include "app/registry.h"
#include "fake_services.h"
#include "main_window/main_window.h"
#include "test_folder.h"

#include <QTest>
#include <memory>

namespace norvane::testing {

// Norvane started on a temporary application folder with the test doubles:
// the real registry, the real windows, a real encrypted database.
class RunningApp
{
public:
    enum class Terms { Accept, LeaveOpen };

    // Starts Norvane; unless told otherwise the terms are accepted at once.
    // Timers are stopped: tests drive their ticks themselves.
    explicit RunningApp(const QList<Contact>& contacts = {}, bool withDatabase = true,
                        Terms terms = Terms::Accept);
    ~RunningApp();

    MainWindow* window() const { return registry->mainWindow(); }

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
    // Activates the main window, as a window manager does when it is clicked
    // (disabled or not); true once the window standing in front of it has
    // taken the focus back.
    bool focusReturnsTo(const QWidget* front) const;
    // Reloads leave the old window to the event loop; let it go, and stop
    // the timers of the windows there are now.
    void settle() const;
    void stopTimers() const;
    // Ticks "I Accept" and presses "&Continue" in the terms window.
    void acceptTerms() const;
    // The six texts the detail fields show now.
    Contact shownContact() const;
    QStringList boxTexts() const;
    // Drags the files over the window and drops them there, as a file
    // manager does; false when the window refused the drag.
    bool dropFiles(const QStringList& paths) const;

    FakeServices fakes;
    TestFolder folder;
    std::unique_ptr<Registry> registry;
};

} // namespace norvane::testing
