#pragma once

#include "platform/services.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace norvane::testing {

// A message box as the window asked for it.
struct AskedBox
{
    QString text;
    QString title;
    BoxIcon icon;
    BoxButtons buttons;
    QString details = {};

    bool operator==(const AskedBox&) const = default;
};

// How QCOMPARE prints a box that differs from the one expected.
char* toString(const AskedBox& box);

// Records every box and answers from a script; with no answer queued an OK
// box gets Ok and a question gets No.
class FakeMessageBox final : public MessageBoxService
{
public:
    BoxAnswer show(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                   BoxButtons buttons) override;
    void showWithDetails(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                         const QString& details) override;
    void setNextAnswer(BoxAnswer answer) { m_answers.append(answer); }
    // Runs once, while the next box is open (a box is modal: the window waits).
    void setWhileOpen(std::function<void()> action) { m_whileOpen = std::move(action); }

    QList<AskedBox> asked;

private:
    QList<BoxAnswer> m_answers;
    std::function<void()> m_whileOpen;
};

class FakeFileDialog final : public FileDialogService
{
public:
    QString openFile(QWidget*) override;
    QStringList openContactFiles(QWidget*) override;
    QString saveContactsFile(QWidget*, const QString& suggestedName) override;
    QStringList nextPaths;               // an empty path is a cancelled dialog
    QList<QStringList> nextContactFiles; // an empty list is a cancelled dialog
    QStringList nextSavePaths;           // an empty path is a cancelled dialog
    QStringList suggestedNames;
    int calls = 0;
};

// Answers from a script; with no answer queued the user cancels.
class FakePassphrase final : public PassphraseService
{
public:
    std::optional<QString> ask(QWidget*, const QString& prompt) override
    {
        prompts.append(prompt);
        return answers.isEmpty() ? std::nullopt : std::optional<QString>(answers.takeFirst());
    }
    QStringList answers;
    QStringList prompts;
};

class FakeBrowser final : public BrowserService
{
public:
    bool open(const QUrl& address) override;
    QList<QUrl> opened;
    bool available = true;
};

// Counts the icons in the tray the way the platform would show them.
class FakeTray final : public TrayService
{
public:
    void add(const QIcon& icon, const QString& tip) override;
    void remove() override;
    void notify(int message) { emit notified(message); }

    int icons = 0;
    QString tip;
    bool iconSet = false;
};

class FakeProcess final : public ProcessService
{
public:
    void endNow() override
    {
        ++endRequests;
        iconsAtEnd = tray ? tray->icons : -1;
    }
    const FakeTray* tray = nullptr;
    int endRequests = 0;
    // How many tray icons were still there when the end was asked for.
    int iconsAtEnd = -1;
};

class FakeAppFolder final : public AppFolderService
{
public:
    QString path() const override { return folder; }
    QString folder;
};

class FakeClock final : public ClockService
{
public:
    QDateTime now() const override { return time; }
    QDateTime time = QDateTime(QDate(2026, 12, 6), QTime(9, 5, 3));
};

// All the doubles, wired together.
struct FakeServices
{
    FakeServices();
    Services services();

    FakeMessageBox messages;
    FakeFileDialog files;
    FakeBrowser browser;
    FakeTray tray;
    FakeProcess process;
    FakeAppFolder folder;
    FakeClock clock;
    FakePassphrase passphrases;
};

} // namespace norvane::testing
