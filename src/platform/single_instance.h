#pragma once

#include <QLockFile>
#include <QObject>
#include <memory>

class QLocalServer;

namespace norvane {

// One running Norvane per application folder: the first holds a lock file and
// listens on a local socket; a later start finds the lock, asks the first to
// show itself, and leaves. A lock left by a killed process is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& applicationFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one running on the folder.
    bool becomePrimary();
    // Asks the running process to show its window; false when none answered.
    bool askPrimaryToShow();

signals:
    void showRequested();

private:
    QString m_name;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace norvane
