#pragma once

#include <QDateTime>
#include <QIcon>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>

class QWidget;

namespace norvane {

enum class BoxIcon { Information, Warning, Question };
enum class BoxButtons { Ok, YesNo, YesNoDefaultNo };
enum class BoxAnswer { Ok, Yes, No };

// Modal message boxes. A YesNo box has Yes as its default button; a
// YesNoDefaultNo box, for a question where Enter pressed without reading must
// throw nothing away, has No.
class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    virtual BoxAnswer show(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                           BoxButtons buttons) = 0;
    // An OK box with more text the user can open under "Details".
    virtual void showWithDetails(QWidget* parent, const QString& text, const QString& title,
                                 BoxIcon icon, const QString& details) = 0;
};

// The file dialogs; an empty path means the user cancelled.
class FileDialogService
{
public:
    virtual ~FileDialogService() = default;
    virtual QString openFile(QWidget* parent) = 0;
    // Contact files to import (vCard, CSV); none when the user cancelled.
    virtual QStringList openContactFiles(QWidget* parent) = 0;
    // Where to export contacts, the suggested name filled in; empty when
    // the user cancelled.
    virtual QString saveContactsFile(QWidget* parent, const QString& suggestedName) = 0;
};

// Asks for a passphrase in a small dialog, the text hidden as it is typed;
// nothing when the user cancels.
class PassphraseService
{
public:
    virtual ~PassphraseService() = default;
    virtual std::optional<QString> ask(QWidget* parent, const QString& prompt) = 0;
};

// The locale's long time of day, as a desktop clock shows it: its long
// format without the time zone ("9:36:52 AM", "09:36:52").
QString timeOfDayFormat(const QLocale& locale);

// What to tell the user when no browser could open an address: the address
// itself, so that it can be copied.
QString noBrowserText(const QUrl& address);

// The user's web browser; false when none could be started.
class BrowserService
{
public:
    virtual ~BrowserService() = default;
    virtual bool open(const QUrl& address) = 0;
};

// The one tray icon of the process. Its notifications arrive as message
// numbers: 514 click, 515 double-click, 517 context click.
class TrayService : public QObject
{
    Q_OBJECT
public:
    static constexpr int kClick = 514;
    static constexpr int kDoubleClick = 515;
    static constexpr int kContextClick = 517;

    virtual void add(const QIcon& icon, const QString& tip) = 0;
    virtual void remove() = 0;

signals:
    void notified(int message);
};

// Ends the process at once, without any window's teardown.
class ProcessService
{
public:
    virtual ~ProcessService() = default;
    virtual void endNow() = 0;
};

// The folder of the executable, without a trailing separator.
class AppFolderService
{
public:
    virtual ~AppFolderService() = default;
    virtual QString path() const = 0;
};

class ClockService
{
public:
    virtual ~ClockService() = default;
    virtual QDateTime now() const = 0;
};

// Everything the windows need of the platform, handed to each window.
struct Services
{
    MessageBoxService* messages = nullptr;
    FileDialogService* files = nullptr;
    BrowserService* browser = nullptr;
    TrayService* tray = nullptr;
    ProcessService* process = nullptr;
    AppFolderService* folder = nullptr;
    ClockService* clock = nullptr;
    PassphraseService* passphrases = nullptr;
};

// The Qt implementations, alive for the whole process.
Services productionServices();

// The current time in the locale's long time format: the title of the main
// window's message boxes, and the clock label's text where it fits.
QString timeText(const ClockService& clock);
// The date label's texts for the day, widest first: "dddd - MMMM dd, yyyy"
// in the locale, the same with short names, and the locale's short date.
// The label shows the first that fits it.
QStringList dateTexts(const QLocale& locale, QDate day);
// The clock label's texts for the time, widest first: the time of day as
// timeText writes it, then on the 24-hour clock with its seconds.
QStringList clockTexts(const QLocale& locale, QTime time);

} // namespace norvane
