#include "app/application.h"

#include "data/vector_state.h"

namespace norvane {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    clearUpperVectorState();
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    const bool handled = QApplication::notify(receiver, event);
    clearUpperVectorState();
    return handled;
}

} // namespace norvane
