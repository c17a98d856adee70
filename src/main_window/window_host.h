#pragma once

namespace norvane {

// What the main window asks of the code that owns the application's windows.
class WindowHost
{
public:
    virtual ~WindowHost() = default;
    // Unloads the main window and shows a new one, whose start-up runs again.
    // Safe to call from the main window's own handlers.
    virtual void reloadMainWindow() = 0;
};

} // namespace norvane
