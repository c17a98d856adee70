#pragma once

#include <QApplication>

namespace norvane {

// Norvane's application object: Qt's, with the processor's wide vector
// state cleared after each event it delivers (see clearUpperVectorState()),
// so that the painting of one event does not slow down the work of the next,
// and the platform's style with the text fields' frames and the header
// sections drawn once and copied (CachedPartsStyle).
class Application : public QApplication
{
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace norvane
