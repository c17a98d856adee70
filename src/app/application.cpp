#include "app/application.h"

#include "data/vector_state.h"
#include "widgets/cached_parts_style.h"

namespace norvane {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    setStyle(new CachedPartsStyle);
    clearUpperVectorState();
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    const bool handled = QApplication::notify(receiver, event);
    clearUpperVectorState();
    return handled;
}

} // namespace norvane
