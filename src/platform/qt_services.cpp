#include "platform/services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

namespace norvane {

namespace {

// A box or dialog opened before its window is up on the screen (the
// passphrase while the book opens, a warning that it could not be opened)
// goes over the place the program gave that window (a reloaded window takes
// the old one's), or else in the middle of the screen, where window managers
// put a new window. Qt centres it on the window's native place, which lies at
// the screen's top-left corner until the window manager has placed the
// window. The move comes after Qt's own placement, once the box has its size.
template <class Dialog> class CentredBeforeWindowIsUp final : public Dialog
{
public:
    using Dialog::Dialog;

protected:
    void showEvent(QShowEvent* event) override
    {
        Dialog::showEvent(event);
        const QWidget* window = this->parentWidget() ? this->parentWidget()->window() : nullptr;
        const QWindow* handle = window ? window->windowHandle() : nullptr;
        const QScreen* screen = window ? window->screen() : nullptr;
        if (screen && (!window->isVisible() || !handle || !handle->isExposed())) {
            const QRect over = window->testAttribute(Qt::WA_Moved) ? window->geometry()
                                                                   : screen->availableGeometry();
            this->move(over.center() - this->rect().center());
        }
    }
};

// A box's text, title and icon, as every box of this file sets them.
void describeBox(QMessageBox& box, const QString& text, const QString& title,
                 QMessageBox::Icon icon)
{
    box.setText(text);
    box.setWindowTitle(title);
    box.setIcon(icon);
}

QMessageBox::Icon qtIcon(BoxIcon icon)
{
    return icon == BoxIcon::Information ? QMessageBox::Information
           : icon == BoxIcon::Warning   ? QMessageBox::Warning
                                        : QMessageBox::Question;
}

class QtMessageBox final : public MessageBoxService
{
public:
    BoxAnswer show(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                   BoxButtons buttons) override
    {
        CentredBeforeWindowIsUp<QMessageBox> box(parent);
        describeBox(box, text, title, qtIcon(icon));
        if (buttons != BoxButtons::Ok) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(buttons == BoxButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        const int answer = box.exec();
        if (buttons == BoxButtons::Ok) {
            return BoxAnswer::Ok;
        }
        return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }

    void showWithDetails(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                         const QString& details) override
    {
        CentredBeforeWindowIsUp<QMessageBox> box(parent);
        describeBox(box, text, title, qtIcon(icon));
        box.setStandardButtons(QMessageBox::Ok);
        box.setDetailedText(details);
        box.exec();
    }
};

class QtFileDialog final : public FileDialogService
{
public:
    QString openFile(QWidget* parent) override
    {
        return QFileDialog::getOpenFileName(
            parent, QCoreApplication::translate("FileDialog", "Choose a photo"), QString(),
            QCoreApplication::translate(
                "FileDialog", "Pictures (*.jpg *.jpeg *.png *.bmp *.gif);;All files (*)"));
    }

    QStringList openContactFiles(QWidget* parent) override
    {
        return QFileDialog::getOpenFileNames(
            parent, QCoreApplication::translate("FileDialog", "Import contacts"), QString(),
            QCoreApplication::translate(
                "FileDialog", "Contacts (*.vcf *.vcard *.csv *.tsv *.tab);;All files (*)"));
    }

    // The export's format follows the name's suffix. A name typed without
    // one takes the suffix of the type chosen in the dialog. The dialog asked
    // about replacing the name as typed, so a file of the full name is asked
    // about here: Qt's own dialog would ask about it, but a desktop's dialog
    // (GTK's, say) knows nothing of the suffix added.
    QString saveContactsFile(QWidget* parent, const QString& suggestedName) override
    {
        const QString title = QCoreApplication::translate("FileDialog", "Export contacts");
        const QString vcard = QCoreApplication::translate("FileDialog", "vCard (*.vcf)");
        const QString csv = QCoreApplication::translate("FileDialog", "CSV (*.csv)");
        QString type;
        QString path = QFileDialog::getSaveFileName(parent, title, suggestedName,
                                                    vcard + QStringLiteral(";;") + csv, &type);
        if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) {
            return path;
        }
        path += type == csv ? QStringLiteral(".csv") : QStringLiteral(".vcf");
        if (!QFileInfo::exists(path)) {
            return path;
        }
        CentredBeforeWindowIsUp<QMessageBox> box(parent);
        describeBox(box,
                    QCoreApplication::translate("FileDialog",
                                                "%1 already exists.\nDo you want to replace it?")
                        .arg(QFileInfo(path).fileName()),
                    title, QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? path : QString();
    }
};

class QtPassphrase final : public PassphraseService
{
public:
    std::optional<QString> ask(QWidget* parent, const QString& prompt) override
    {
        CentredBeforeWindowIsUp<QInputDialog> dialog(parent);
        dialog.setWindowTitle(QStringLiteral("Norvane"));
        dialog.setLabelText(prompt);
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setTextEchoMode(QLineEdit::Password);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.textValue();
    }
};

class QtBrowser final : public BrowserService
{
public:
    bool open(const QUrl& address) override { return QDesktopServices::openUrl(address); }
};

class QtTray final : public TrayService
{
public:
    void add(const QIcon& icon, const QString& tip) override
    {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            return;
        }
        if (!m_icon) {
            m_icon = new QSystemTrayIcon(this);
            connect(m_icon, &QSystemTrayIcon::activated, this, &QtTray::forward);
        }
        m_icon->setIcon(icon);
        m_icon->setToolTip(tip);
        m_icon->show();
    }
    void remove() override
    {
        if (m_icon) {
            m_icon->hide();
        }
    }

private:
    void forward(QSystemTrayIcon::ActivationReason reason)
    {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit notified(kClick);
            break;
        case QSystemTrayIcon::DoubleClick:
            emit notified(kDoubleClick);
            break;
        case QSystemTrayIcon::Context:
            emit notified(kContextClick);
            break;
        default:
            break;
        }
    }

    QSystemTrayIcon* m_icon = nullptr;
};

class QtProcess final : public ProcessService
{
public:
    void endNow() override
    {
        std::fflush(nullptr);
        std::_Exit(0);
    }
};

class QtAppFolder final : public AppFolderService
{
public:
    QString path() const override { return QCoreApplication::applicationDirPath(); }
};

class QtClock final : public ClockService
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace

Services productionServices()
{
    static QtMessageBox messages;
    static QtFileDialog files;
    static QtBrowser browser;
    static QtTray* tray = new QtTray; // lives until the process ends, like the icon it shows
    static QtProcess process;
    static QtAppFolder folder;
    static QtClock clock;
    static QtPassphrase passphrases;
    return {&messages, &files, &browser, tray, &process, &folder, &clock, &passphrases};
}

QString noBrowserText(const QUrl& address)
{
    return QCoreApplication::translate("BrowserService",
                                       "No web browser could be started to open %1.\n\nCopy the "
                                       "address into a browser to visit it.")
        .arg(address.toString());
}

QString timeOfDayFormat(const QLocale& locale)
{
    // The long format without its time-zone fields ("t" to "tttt"); text in
    // quotes is literal and stays.
    const QString full = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (const QChar c : full) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (quoted || c != QLatin1Char('t')) {
            format += c;
        }
    }
    return format.simplified();
}

QString timeText(const ClockService& clock)
{
    const QLocale locale = QLocale::system();
    return locale.toString(clock.now().time(), timeOfDayFormat(locale));
}

QStringList dateTexts(const QLocale& locale, QDate day)
{
    return {locale.toString(day, QStringLiteral("dddd - MMMM dd, yyyy")),
            locale.toString(day, QStringLiteral("ddd - MMM dd, yyyy")),
            locale.toString(day, QLocale::ShortFormat)};
}

QStringList clockTexts(const QLocale& locale, QTime time)
{
    return {locale.toString(time, timeOfDayFormat(locale)),
            locale.toString(time, QStringLiteral("HH:mm:ss"))};
}

} // namespace norvane
