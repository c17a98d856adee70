#include "platform/display.h"

#include <QFont>
#include <QStringList>
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
    // Where Tahoma itself is missing, Liberation Sans stands in: it has a
    // true bold face, so bold captions look bold, and it is a little
    // narrower, so every caption fits its place. (The Tahoma that Wine ships
    // draws its bold as light as its regular and splits "https://".)
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
}

} // namespace norvane
