#include "sync/background_sync.h"

#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/database.h"
#include "data/vector_state.h"
#include "sync/card_sync.h"
#include "sync/keyring.h"

#include <QCoreApplication>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("BackgroundSync", text);
}

// The cards a warning names one per line: a book whose every card the server
// refuses (a shared one it lets this user read only) would otherwise make a
// box taller than the screen, its button out of reach.
constexpr qsizetype kMostLinesShown = 10;

} // namespace

SyncOutcome synchroniseFolder(const QString& folder, const QString& bookPassword,
                              bool& lastingPasswordProblem)
{
    SyncOutcome outcome;
    QString reason;
    const std::unique_ptr<Database> db = Database::open(databaseFile(folder), bookPassword, reason);
    const std::optional<CardDavAccount> account = db ? loadAccount(*db, reason) : std::nullopt;
    if (!account) {
        return outcome; // no book, or no account: nothing to keep in step
    }
    const std::optional<QString> password = accountPassword(*account, reason);
    if (!password) {
        const bool noPasswordCommand = account->passwordCommand.isEmpty();
        // Neither a keyring without the password nor a command this user never
        // set for the account comes right by itself.
        lastingPasswordProblem = noPasswordCommand || !isPasswordCommandTrusted(*account);
        outcome.warning =
            noPasswordCommand
                ? tr("Norvane cannot sync with %1 by itself: the desktop's keyring has no "
                     "password for the account (%2). Set the account again with "
                     "norvane-db account, in this desktop session or with --password-command.")
                      .arg(account->url.host(), reason)
                : tr("Norvane could not sync with %1: %2.").arg(account->url.host(), reason);
        return outcome;
    }
    DavClient client(account->user, *password,
                     DavSecurity{account->allowInsecure, account->trustedFingerprint});
    SyncReport report;
    const Status synced = synchronise(*db, client, *account, photoFolder(folder), report);
    outcome.changedBook =
        report.pulledNew + report.pulledChanged + report.pulledRemoved + report.conflicts > 0;
    if (!synced.ok()) {
        // A book's own reasons end with a full stop, the sync's do not.
        outcome.warning = tr("Norvane could not sync with %1: %2. Your contacts are as they "
                             "were; the next sync tries again.")
                              .arg(account->url.host(), withinSentence(synced.reason()));
    } else if (!report.problems.isEmpty()) {
        outcome.warning =
            QCoreApplication::translate("BackgroundSync",
                                        "Norvane synced with %1, but %n card(s) did not go "
                                        "through:\n\n%2",
                                        "", static_cast<int>(report.problems.size()))
                .arg(account->url.host(), firstLinesOf(report.problems, kMostLinesShown));
    } else if (const QStringList photos = photoLines(report); !photos.isEmpty()) {
        outcome.warning = tr("Norvane synced with %1, but some photos did not go along:\n\n%2")
                              .arg(account->url.host(), firstLinesOf(photos, kMostLinesShown));
    }
    return outcome;
}

BackgroundSync::~BackgroundSync()
{
    if (m_thread) {
        m_thread->wait();
    }
}

void BackgroundSync::request(const QString& folder, const QString& bookPassword)
{
    m_folder = folder;
    m_password = bookPassword;
    if (m_thread) {
        m_again = true;
        return;
    }
    startRun();
}

void BackgroundSync::startRun()
{
    m_again = false;
    const QString folder = m_folder;
    const QString password = m_password;
    m_thread = QThread::create([this, folder, password] {
        clearUpperVectorState();
        bool lastingPasswordProblem = false;
        const SyncOutcome outcome = synchroniseFolder(folder, password, lastingPasswordProblem);
        QMetaObject::invokeMethod(
            this,
            [this, outcome, lastingPasswordProblem] {
                SyncOutcome told = outcome;
                const bool saidLastRun =
                    !outcome.warning.isEmpty() && outcome.warning == m_lastWarning;
                if ((lastingPasswordProblem && m_toldPasswordProblem) || saidLastRun) {
                    told.warning.clear();
                }
                m_toldPasswordProblem = m_toldPasswordProblem || lastingPasswordProblem;
                m_lastWarning = outcome.warning;
                runEnded(told);
            },
            Qt::QueuedConnection);
    });
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->start();
}

void BackgroundSync::runEnded(const SyncOutcome& outcome)
{
    if (m_thread) {
        m_thread->wait();
        m_thread = nullptr;
    }
    emit finished(outcome);
    if (m_again) {
        startRun();
    }
}

} // namespace norvane
