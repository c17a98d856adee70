#include "app/start_trace.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>

namespace norvane {

namespace {

class GridPaintTrace : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || m_seen) {
            return false;
        }
        auto* grid = qobject_cast<QAbstractItemView*>(watched->parent());
        if (!grid || grid->viewport() != watched || grid->objectName() != u"DataGrid1" ||
            !grid->model()) {
            return false;
        }
        m_seen = true;
        const int rows = grid->model()->rowCount();
        // Printed once this paint has been done and shown.
        QTimer::singleShot(0, this, [this, rows] {
            std::fprintf(stderr, "norvane: grid painted with %d rows\n", rows);
            std::fflush(stderr);
            qApp->removeEventFilter(this);
            deleteLater();
        });
        return false;
    }

private:
    bool m_seen = false;
};

} // namespace

void traceFirstGridPaint()
{
    if (qEnvironmentVariableIsSet("NORVANE_TRACE_START")) {
        qApp->installEventFilter(new GridPaintTrace(qApp));
    }
}

} // namespace norvane
