#pragma once

#include <QFile>
#include <QObject>
#include <memory>

class QLocalServer;

namespace norvane {

// One running Norvane per application folder. The first holds an advisory
// lock on a file in the folder itself (the kernel lets it go when the process
// ends, however it ends) and listens on a local socket in the user's private
// runtime folder; a later start finds the lock taken, asks the first to show
// itself, and leaves. The companion tool asks it, the same way, to reload.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& applicationFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one running on the folder. False when
    // another holds the folder, or when the lock could not be had at all; then
    // lockProblem() says why.
    bool becomePrimary();
    QString lockProblem() const { return m_problem; }
    // Asks the running process to show its window; false when none
    // answered, and then lockProblem() says so.
    bool askPrimaryToShow();
    // Asks the running process to read its table again (another program
    // changed the book); false when none answered.
    bool askPrimaryToReload();

    // The lock file in the application folder.
    static QString lockFilePath(const QString& applicationFolder);

signals:
    void showRequested();
    void reloadRequested();

private:
    bool openLockFile();
    void listen();
    bool askPrimary(const QByteArray& message);

    QString m_folder;
    QString m_socketPath;
    QFile m_lockFile;
    QString m_problem;
    QLocalServer* m_server = nullptr;
};

// Takes an exclusive advisory lock on an open file without waiting; false
// when another open file holds it. Released when the file is closed or the
// process ends.
bool tryLockFile(QFile& file);

} // namespace norvane
