#include "fake_services.h"

namespace norvane::testing {

char* toString(const AskedBox& box)
{
    const QString text = QStringLiteral("\"%1\" titled \"%2\", icon %3, buttons %4")
                             .arg(box.text, box.title)
                             .arg(static_cast<int>(box.icon))
                             .arg(static_cast<int>(box.buttons));
    return qstrdup(text.toUtf8().constData());
}

BoxAnswer FakeMessageBox::show(QWidget*, const QString& text, const QString& title, BoxIcon icon,
                               BoxButtons buttons)
{
    asked.append({text, title, icon, buttons});
    if (m_whileOpen) {
        std::exchange(m_whileOpen, nullptr)();
    }
    if (!m_answers.isEmpty()) {
        return m_answers.takeFirst();
    }
    return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::No;
}

void FakeMessageBox::showWithDetails(QWidget*, const QString& text, const QString& title,
                                     BoxIcon icon, const QString& details)
{
    asked.append({text, title, icon, BoxButtons::Ok, details});
}

QString FakeFileDialog::openFile(QWidget*)
{
    ++calls;
    return nextPaths.isEmpty() ? QString() : nextPaths.takeFirst();
}

QStringList FakeFileDialog::openContactFiles(QWidget*)
{
    return nextContactFiles.isEmpty() ? QStringList() : nextContactFiles.takeFirst();
}

QString FakeFileDialog::saveContactsFile(QWidget*, const QString& suggestedName)
{
    suggestedNames.append(suggestedName);
    return nextSavePaths.isEmpty() ? QString() : nextSavePaths.takeFirst();
}

bool FakeBrowser::open(const QUrl& address)
{
    if (!available) {
        return false;
    }
    opened.append(address);
    return true;
}

void FakeTray::add(const QIcon& icon, const QString& newTip)
{
    ++icons;
    tip = newTip;
    iconSet = !icon.isNull();
}

void FakeTray::remove()
{
    if (icons > 0) {
        --icons;
    }
}

FakeServices::FakeServices()
{
    process.tray = &tray;
}

Services FakeServices::services()
{
    return {&messages, &files, &browser, &tray, &process, &folder, &clock, &passphrases};
}

} // namespace norvane::testing
