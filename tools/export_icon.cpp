// norvane-icon: writes the application icon, as Norvane paints it, into a
// folder laid out as the freedesktop icon theme (hicolor/NxN/apps/norvane.png
// and hicolor/scalable/apps/norvane.svg) for installing with the desktop entry.
#include "widgets/pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QSvgGenerator>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("Usage: norvane-icon DIR\n", stderr);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QIcon icon = norvane::applicationIcon();
    for (const int side : norvane::kIconSides) {
        const QString folder = root.filePath(QStringLiteral("hicolor/%1x%1/apps").arg(side));
        const QString file = QDir(folder).filePath(QStringLiteral("norvane.png"));
        if (!QDir().mkpath(folder) || !icon.pixmap(side, side).save(file, "PNG")) {
            std::fprintf(stderr, "norvane-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const QString scalable = root.filePath(QStringLiteral("hicolor/scalable/apps"));
    QDir().mkpath(scalable);
    QSvgGenerator svg;
    svg.setFileName(QDir(scalable).filePath(QStringLiteral("norvane.svg")));
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRectF(0, 0, 256, 256));
    svg.setTitle(QStringLiteral("Norvane"));
    QPainter painter(&svg);
    norvane::paintApplicationIcon(painter, QRectF(0, 0, 256, 256));
    return painter.end() ? 0 : 1;
}
