#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

namespace norvane {

// How a run in the background ended.
struct SyncOutcome
{
    bool changedBook = false; // the window should read the table again
    QString warning;          // empty when all went well (or there is no account)
};

// Runs the sync of an application folder's book on a thread of its own,
// with its own connection, so that the window never waits for the server.
// A request during a run makes one more run once it ends; a book without an
// account does nothing. A warning is said once while it lasts: a computer
// offline or a server down would otherwise bring a box after every save.
class BackgroundSync : public QObject
{
    Q_OBJECT
public:
    explicit BackgroundSync(QObject* parent = nullptr) : QObject(parent) {}
    ~BackgroundSync() override;

    // Syncs the book of the folder, opened with that password.
    void request(const QString& folder, const QString& bookPassword);
    bool isRunning() const { return m_thread != nullptr; }

signals:
    void finished(const norvane::SyncOutcome& outcome);

private:
    void startRun();
    void runEnded(const SyncOutcome& outcome);

    QString m_folder;
    QString m_password;
    bool m_again = false;
    bool m_toldPasswordProblem = false; // said once a run of the program
    // The last run's warning: the same one again is not said while it lasts.
    QString m_lastWarning;
    QPointer<QThread> m_thread;
};

// One run, on the calling thread: what BackgroundSync does on its own.
// lastingPasswordProblem is set when the password could not be had for a
// reason that stays until the user acts (no keyring entry, or a command this
// user never set): BackgroundSync says it once a run of the program.
SyncOutcome synchroniseFolder(const QString& folder, const QString& bookPassword,
                              bool& lastingPasswordProblem);

} // namespace norvane
