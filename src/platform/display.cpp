#include "platform/display.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QtGlobal>

namespace norvane {

bool hasDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

void loadDesignFonts()
{
    // Debian's fonts-wine keeps Tahoma outside the font path.
    const QDir wineFonts(QStringLiteral("/usr/share/wine/fonts"));
    for (const QString& file : wineFonts.entryList({QStringLiteral("tahoma*.ttf")}, QDir::Files)) {
        QFontDatabase::addApplicationFont(wineFonts.filePath(file));
    }
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
}

} // namespace norvane
