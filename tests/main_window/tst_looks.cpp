// What the user sees of the text: bold that looks bold, a date that fits its
// label on every day, a clock without a time zone, and row numbers as wide
// as Qt would make them for the most rows shown.
#include "platform/display.h"
#include "platform/services.h"
#include "support/running_app.h"
#include "widgets/cached_parts_style.h"
#include "widgets/cached_scroll_bar.h"
#include "widgets/controls.h"
#include "widgets/grid_cell_delegate.h"
#include "widgets/grid_view.h"
#include "widgets/picture_cache.h"

#include <QCommonStyle>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

using namespace norvane;
using namespace norvane::testing;

namespace {

// How many dark pixels the text leaves, drawn black on white.
int ink(const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 8, metrics.height() + 8,
                 QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 4 + metrics.ascent(), text);
    painter.end();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        dark += static_cast<int>(
            std::count_if(line, line + image.width(), [](uchar grey) { return grey < 128; }));
    }
    return dark;
}

// What paint leaves on a white image of this size.
QImage paintedOnWhite(const QSize& size, const std::function<void(QPainter&)>& paint)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter);
    return image;
}

// One cell painted on white by the delegate.
QImage paintedCell(const QAbstractItemDelegate& delegate, const QStyleOptionViewItem& option,
                   const QModelIndex& index)
{
    return paintedOnWhite(option.rect.size() + QSize(8, 8),
                          [&](QPainter& painter) { delegate.paint(&painter, option, index); });
}

// A table of that many rows, numbered as the grid's are.
class NumberedRows : public QAbstractTableModel
{
public:
    explicit NumberedRows(int rows) : m_rows(rows) {}
    int rowCount(const QModelIndex& = {}) const override { return m_rows; }
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int section, Qt::Orientation, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    }
    void setRows(int rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }

private:
    int m_rows;
};

// A dark colour scheme's palette: light text on dark grounds, as a desktop's
// dark theme hands it to Qt.
QPalette darkScheme()
{
    QPalette dark(QColor(0x42, 0x42, 0x45), QColor(0x30, 0x2F, 0x2E));
    const QColor light(Qt::white);
    for (const auto role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText}) {
        dark.setColor(role, light);
        dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    }
    dark.setColor(QPalette::Base, QColor(0x3D, 0x3D, 0x3D));
    dark.setColor(QPalette::ToolTipBase, QColor(0x3F, 0x3F, 0x36));
    return dark;
}

// How far the pixel farthest from the area's most common colour, its ground,
// stands from it: the contrast ratio of the text drawn there (1 when the
// text cannot be told from the ground, 21 for black on white).
double textContrast(const QImage& area)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            ++counts[area.pixel(x, y)];
        }
    }
    const QRgb ground =
        std::max_element(counts.cbegin(), counts.cend(), [](int a, int b) { return a < b; }).key();
    double most = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        most = std::max(most, contrastRatio(QColor(it.key()), QColor(ground)));
    }
    return most;
}

} // namespace

class LooksTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void boldCaptionsLookBold_data();
    void boldCaptionsLookBold();
    void theDateAndTimeFitTheirPanels_data();
    void theDateAndTimeFitTheirPanels();
    void theClockShowsNoTimeZone_data();
    void theClockShowsNoTimeZone();
    void rowNumbersAreAsWideAsQtMakesThem();
    void scrollBarsLookAsQtDrawsThem_data();
    void scrollBarsLookAsQtDrawsThem();
    void gridCellsLookAsTheStyleDrawsThem_data();
    void gridCellsLookAsTheStyleDrawsThem();
    void fieldFramesLookAsTheStyleDrawsThem_data();
    void fieldFramesLookAsTheStyleDrawsThem();
    void headerSectionsLookAsTheStyleDrawsThem_data();
    void headerSectionsLookAsTheStyleDrawsThem();
    void gridLinesLookAsQtDrawsThem_data();
    void gridLinesLookAsQtDrawsThem();
    void onlyStylesThatDrawFromTheOptionAreCopied_data();
    void onlyStylesThatDrawFromTheOptionAreCopied();
    void aWindowOpenedAgainDrawsNoPartAnew_data();
    void aWindowOpenedAgainDrawsNoPartAnew();
    void textReadsOnItsBackground_data();
    void textReadsOnItsBackground();

private:
    static void expectCellPaintedAsTheStyleDoes(const QString& text, const QString& shown,
                                                int width, int alignment, int state);
};

void LooksTest::initTestCase()
{
    loadDesignFonts();
}

void LooksTest::boldCaptionsLookBold_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<qreal>("points");
    QTest::newRow("title") << "NORVANE" << 27.75;
    QTest::newRow("web link") << "https://norvane.example.org/" << 9.75;
    QTest::newRow("status label") << "Results:  12" << 9.75;
    QTest::newRow("panel heading") << "CONTACT INFORMATION" << 9.75;
}

void LooksTest::boldCaptionsLookBold()
{
    QFETCH(QString, caption);
    QFETCH(qreal, points);
    QFont regular(QStringLiteral("Tahoma"));
    regular.setPointSizeF(points);
    QFont bold = regular;
    bold.setBold(true);
    const int light = ink(caption, regular);
    const int heavy = ink(caption, bold);
    QVERIFY2(heavy >= 1.25 * light,
             qPrintable(QStringLiteral("%1 against %2").arg(heavy).arg(light)));
}

void LooksTest::theDateAndTimeFitTheirPanels_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("asDesigned"); // every day in full names, every time in full
    QTest::newRow("US English") << "en_US" << true;
    QTest::newRow("German") << "de_DE" << true;
    QTest::newRow("Finnish, long names") << "fi_FI" << false;
    QTest::newRow("Thai, times in words") << "th_TH" << false;
    QTest::newRow("Malayalam, wide script") << "ml_IN" << false;
    QTest::newRow("Tamil, wide day parts") << "ta_IN" << false;
}

// Every day of a year and every hour of a day, in the user's language: the
// panels show the widest form that fits, never text cut off at both ends.
void LooksTest::theDateAndTimeFitTheirPanels()
{
    QFETCH(QString, locale);
    QFETCH(bool, asDesigned);
    RunningApp app;
    const QLocale language(locale);
    const auto check = [&](const char* name, const QStringList& texts) {
        auto* label = app.find<QLabel>(name);
        showFirstFitting(label, texts);
        const int width = QFontMetrics(label->font()).horizontalAdvance(label->text());
        QVERIFY2(width <= label->contentsRect().width(), qPrintable(label->text()));
        if (asDesigned) {
            QCOMPARE(label->text(), texts.first());
        }
    };
    for (QDate day(2026, 1, 1); day.year() == 2026; day = day.addDays(1)) {
        check("lblDate", dateTexts(language, day));
    }
    for (int hour = 0; hour < 24; ++hour) {
        check("lblTime", clockTexts(language, QTime(hour, 59, 58)));
    }
}

void LooksTest::theClockShowsNoTimeZone_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected"); // for 09:05:03
    QTest::newRow("US English") << "en_US"
                                << "9:05:03 AM";
    QTest::newRow("British English") << "en_GB"
                                     << "09:05:03";
    QTest::newRow("German") << "de_DE"
                            << "09:05:03";
    QTest::newRow("zone first") << "zh_CN"
                                << "09:05:03";
    QTest::newRow("Korean") << "ko_KR" << QString::fromUtf8("오전 9시 5분 3초");
}

void LooksTest::theClockShowsNoTimeZone()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const QLocale chosen(locale);
    QCOMPARE(chosen.toString(QTime(9, 5, 3), timeOfDayFormat(chosen)), expected);
}

// The row-number header keeps one size per count of digits; it must still
// give the size Qt works out for the most rows it has numbered, as the rows
// grow, shrink (a search narrowing them, or finding none) and the font
// changes.
void LooksTest::rowNumbersAreAsWideAsQtMakesThem()
{
    NumberedRows model(0), widest(0);
    QTableView plain, numbered;
    numbered.setVerticalHeader(new RowNumberHeader(&numbered));
    plain.setModel(&widest);
    numbered.setModel(&model);
    int most = 0;
    for (const int pointSize : {9, 21}) {
        QFont font = plain.font();
        font.setPointSize(pointSize);
        plain.verticalHeader()->setFont(font);
        numbered.verticalHeader()->setFont(font);
        for (const int rows : {9, 10, 99, 7, 0, 12345, 100000, 7}) {
            model.setRows(rows);
            most = std::max(most, rows);
            widest.setRows(most);
            QCOMPARE(numbered.verticalHeader()->sizeHint(), plain.verticalHeader()->sizeHint());
        }
    }
}

using Steps = QList<QPoint>; // (maximum, value) in turn

void LooksTest::scrollBarsLookAsQtDrawsThem_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<Steps>("steps");
    const Steps typing = {{100000, 0}, {30000, 0}, {800, 0}, {4, 0}, {0, 0}, {100000, 0}};
    QTest::newRow("the grid's, as letters are typed")
        << Qt::Vertical << QSize(16, 189) << true << typing;
    QTest::newRow("scrolled down and back")
        << Qt::Vertical << QSize(16, 189) << true
        << Steps{{500, 0}, {500, 100}, {500, 300}, {500, 500}, {500, 0}};
    QTest::newRow("across, narrowed")
        << Qt::Horizontal << QSize(743, 16) << true << Steps{{120, 0}, {120, 60}, {40, 40}};
    QTest::newRow("disabled") << Qt::Vertical << QSize(16, 189) << false << typing;
}

// The copied look of a scroll bar is the one Qt draws, through every change of
// its range, value and colours: no picture of an earlier state shows.
void LooksTest::scrollBarsLookAsQtDrawsThem()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(QSize, size);
    QFETCH(bool, enabled);
    QFETCH(Steps, steps);
    QScrollBar plain(orientation);
    CachedScrollBar cached(orientation);
    const std::array<QScrollBar*, 2> bars = {&plain, &cached};
    for (QScrollBar* bar : bars) {
        bar->resize(size);
        bar->setPageStep(10);
        bar->setEnabled(enabled);
    }
    for (const bool recoloured : {false, true}) {
        for (const QPoint& step : steps) {
            for (QScrollBar* bar : bars) {
                bar->setRange(0, step.x());
                bar->setValue(step.y());
                if (recoloured) {
                    setPaletteColour(bar, QPalette::Button, QColor(0x80, 0x20, 0x20));
                }
            }
            const QImage expected = plain.grab().toImage();
            QCOMPARE(cached.grab().toImage(), expected);
            QCOMPARE(cached.grab().toImage(), expected);
        }
    }
}

void LooksTest::gridCellsLookAsTheStyleDrawsThem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("state");
    const int left = Qt::AlignLeft | Qt::AlignVCenter;
    const int shown = QStyle::State_Enabled | QStyle::State_Active;
    const int selected = shown | QStyle::State_Selected;
    const QString address = QStringLiteral("1428 Elm Street, Springfield, Oregon 97477");
    QTest::newRow("fits") << QStringLiteral("Maria Kowalska") << 200 << left << shown;
    QTest::newRow("elided") << address << 120 << left << shown;
    QTest::newRow("selected") << address << 400 << left << selected;
    QTest::newRow("current, with focus")
        << address << 90 << left << int(selected | QStyle::State_HasFocus);
    QTest::newRow("window not active")
        << address << 400 << left << int(QStyle::State_Enabled | QStyle::State_Selected);
    QTest::newRow("disabled") << address << 400 << left << 0;
    QTest::newRow("empty, with focus")
        << QString() << 100 << left << int(shown | QStyle::State_HasFocus);
    QTest::newRow("Greek and combining marks")
        << QStringLiteral("Ἀθηνᾶ Παπαδοπούλου, e\u0301cole") << 150 << left << shown;
    QTest::newRow("right to left") << QStringLiteral("محمد عبد الله 12") << 80 << left << shown;
    QTest::newRow("emoji") << QStringLiteral("Ana \U0001F600 Lopes") << 200 << left << shown;
    QTest::newRow("right-aligned, elided")
        << address << 100 << int(Qt::AlignRight | Qt::AlignVCenter) << shown;
    QTest::newRow("centred") << QStringLiteral("0171 555 0199") << 200 << int(Qt::AlignCenter)
                             << selected;
}

// The grid's cells are painted pixel for pixel as the style's item delegate
// paints them, whatever their text, width, alignment, state and direction.
void LooksTest::gridCellsLookAsTheStyleDrawsThem()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, alignment);
    QFETCH(int, state);
    expectCellPaintedAsTheStyleDoes(text, text, width, alignment, state);
}

// A value of several lines shows its lines on one, joined by commas, where
// the style would show its first line cut short, or only "…" when it begins
// with a line break.
// Compares the grid's cell holding `text` with the style's holding `shown`,
// under Qt's two styles that the grid's painting follows, in both directions.
void LooksTest::expectCellPaintedAsTheStyleDoes(const QString& text, const QString& shown,
                                                int width, int alignment, int state)
{
    QStandardItemModel model(1, 2);
    model.setData(model.index(0, 0), text);
    model.setData(model.index(0, 1), shown);
    for (const int column : {0, 1}) {
        model.setData(model.index(0, column), alignment, Qt::TextAlignmentRole);
    }
    const std::unique_ptr<QStyle> styles[] = {
        std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion"))),
        std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Windows")))};
    QTableView view;
    const QStyledItemDelegate stock;
    const GridCellDelegate grid;
    for (const auto& style : styles) {
        view.setStyle(style.get());
        for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
            QStyleOptionViewItem option;
            option.initFrom(&view);
            option.widget = &view;
            option.direction = direction;
            option.rect = QRect(4, 4, width, 20);
            option.state = QStyle::State(state);
            QCOMPARE(paintedCell(grid, option, model.index(0, 0)),
                     paintedCell(stock, option, model.index(0, 1)));
        }
    }
    view.setStyle(nullptr);
}

void LooksTest::fieldFramesLookAsTheStyleDrawsThem_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("a field") << QSize(265, 21) << QPoint(3, 5);
    QTest::newRow("at the origin") << QSize(265, 21) << QPoint(0, 0);
    QTest::newRow("short and tall") << QSize(90, 30) << QPoint(1, 9);
}

// A field's frame is copied pixel for pixel as the style draws it, through
// every change of state and colour, wherever the field lies: no picture of
// an earlier look shows.
void LooksTest::fieldFramesLookAsTheStyleDrawsThem()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, at);
    QLineEdit field;
    std::unique_ptr<QStyle> stock(QStyleFactory::create(QStringLiteral("Fusion")));
    const CachedPartsStyle cached(QStyleFactory::create(QStringLiteral("Fusion")));
    QStyleOptionFrame frame;
    frame.initFrom(&field);
    frame.rect = QRect(at, size);
    frame.lineWidth = stock->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, &field);
    QTransform placed; // and, below, moved half a pixel and enlarged
    const auto painted = [&](const QStyle& style) {
        return paintedOnWhite(size * 2 + QSize(16, 16), [&](QPainter& painter) {
            painter.setTransform(placed);
            style.drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, &field);
        });
    };
    const QStyle::State shown = QStyle::State_Enabled | QStyle::State_Active;
    for (const QColor& base : {QColor(Qt::white), QColor(0xFF, 0xFF, 0xE1)}) {
        frame.palette.setColor(QPalette::Base, base);
        for (const QStyle::State state :
             {shown, shown | QStyle::State_HasFocus, QStyle::State(),
              shown | QStyle::State_ReadOnly, shown | QStyle::State_MouseOver}) {
            frame.state = state;
            for (const QTransform& transform : {QTransform(), QTransform::fromTranslate(0.5, 0.5),
                                                QTransform::fromScale(1.5, 1.5)}) {
                placed = transform;
                const QImage expected = painted(*stock);
                QCOMPARE(painted(cached), expected);
                QCOMPARE(painted(cached), expected);
            }
        }
    }
}

void LooksTest::headerSectionsLookAsTheStyleDrawsThem_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("column names") << Qt::Horizontal << QSize(200, 20)
                                  << QStringList{QStringLiteral("NAME"), QStringLiteral("ADDRESS")};
    QTest::newRow("row numbers") << Qt::Vertical << QSize(41, 20)
                                 << QStringList{QStringLiteral("9"), QStringLiteral("10")};
    QTest::newRow("too narrow") << Qt::Horizontal << QSize(30, 20)
                                << QStringList{QStringLiteral("COMPANY"), QStringLiteral("EMAIL")};
}

// A header section is copied pixel for pixel as the style draws it, through
// every change of text, state, place, sort arrow and font: no picture of an
// earlier look shows.
void LooksTest::headerSectionsLookAsTheStyleDrawsThem()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(QSize, size);
    QFETCH(QStringList, texts);
    QHeaderView header(orientation);
    std::unique_ptr<QStyle> stock(QStyleFactory::create(QStringLiteral("Fusion")));
    const CachedPartsStyle cached(QStyleFactory::create(QStringLiteral("Fusion")));
    QStyleOptionHeaderV2 section;
    section.initFrom(&header);
    section.rect = QRect(QPoint(2, 3), size);
    section.orientation = orientation;
    section.textAlignment = Qt::AlignCenter;
    QFont bold = header.font();
    bold.setBold(true);
    const auto painted = [&](const QStyle& style, const QFont& font) {
        return paintedOnWhite(size + QSize(8, 8), [&](QPainter& painter) {
            painter.setFont(font);
            style.drawControl(QStyle::CE_Header, &section, &painter, &header);
        });
    };
    const QStyle::State shown = QStyle::State_Enabled | QStyle::State_Active;
    for (const QString& text : texts) {
        section.text = text;
        for (const QStyle::State state :
             {shown, shown | QStyle::State_On, shown | QStyle::State_Sunken, QStyle::State()}) {
            section.state = state;
            for (const auto sort : {QStyleOptionHeader::None, QStyleOptionHeader::SortUp}) {
                section.sortIndicator = sort;
                for (const auto place : {QStyleOptionHeader::Beginning, QStyleOptionHeader::End}) {
                    section.position = place;
                    for (const QFont& font : {header.font(), bold}) {
                        const QImage expected = painted(*stock, font);
                        QCOMPARE(painted(cached, font), expected);
                        QCOMPARE(painted(cached, font), expected);
                    }
                }
            }
        }
    }
}

// A style that lines the leading edges of a table whose headers are hidden.
class LeadingLinesStyle : public QProxyStyle
{
public:
    LeadingLinesStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        return hint == SH_Table_AlwaysDrawLeftTopGridLines
                   ? 1
                   : QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

struct GridLook
{
    QString style;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QPoint scrolled{};   // the scroll bars' values
    bool hidden = false; // a row, a column, or with a leading style the headers
    QColor lines{};      // the palette colour the style makes its lines from
    qreal ratio = 1;
    QRegion region{}; // empty for the whole view
};
Q_DECLARE_METATYPE(GridLook)

void LooksTest::gridLinesLookAsQtDrawsThem_data()
{
    QTest::addColumn<GridLook>("look");
    const QString fusion = QStringLiteral("Fusion");
    const QColor translucent(0x20, 0x40, 0xC0, 0x80);
    QTest::newRow("Fusion") << GridLook{fusion};
    QTest::newRow("Windows") << GridLook{QStringLiteral("Windows")};
    QTest::newRow("scrolled") << GridLook{fusion, Qt::LeftToRight, {2, 7}};
    QTest::newRow("a row and a column hidden") << GridLook{fusion, Qt::LeftToRight, {0, 1}, true};
    QTest::newRow("right to left") << GridLook{fusion, Qt::RightToLeft, {1, 3}, true};
    QTest::newRow("translucent lines") << GridLook{fusion, Qt::LeftToRight, {}, false, translucent};
    QTest::newRow("translucent, under Windows")
        << GridLook{QStringLiteral("Windows"), Qt::LeftToRight, {}, false, translucent};
    QTest::newRow("twice the pixels") << GridLook{fusion, Qt::LeftToRight, {1, 2}, true, {}, 2};
    QTest::newRow("a region of two parts")
        << GridLook{fusion,
                    Qt::LeftToRight,
                    {0, 4},
                    false,
                    {},
                    1,
                    QRegion(10, 5, 150, 70) + QRegion(180, 90, 140, 60)};
    QTest::newRow("headers hidden, leading edges lined")
        << GridLook{QStringLiteral("leading"), Qt::LeftToRight, {}, true};
    QTest::newRow("headers hidden, leading edges lined, right to left")
        << GridLook{QStringLiteral("leading"), Qt::RightToLeft, {}, true};
}

// The grid's filled lines are the pixels Qt's own lines set, wherever the
// view is scrolled, whatever is hidden, in either direction, in any colour,
// at any pixel ratio and for any part of the view repainted.
void LooksTest::gridLinesLookAsQtDrawsThem()
{
    QFETCH(GridLook, look);
    QStandardItemModel model(40, 6);
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            model.setData(model.index(row, column), QStringLiteral("%1.%2").arg(row).arg(column));
        }
    }
    const std::unique_ptr<QStyle> style(
        look.style == u"leading" ? new LeadingLinesStyle : QStyleFactory::create(look.style));
    QTableView stock;
    GridView filled;
    const std::array<QTableView*, 2> views = {&stock, &filled};
    for (QTableView* view : views) {
        view->setStyle(style.get());
        view->setLayoutDirection(look.direction);
        view->setModel(&model);
        view->resize(420, 260);
        if (look.lines.isValid()) {
            setPaletteColour(view, QPalette::Window, look.lines);
            setPaletteColour(view, QPalette::Mid, look.lines);
        }
        if (look.hidden) {
            view->setRowHidden(look.scrolled.y() + 2, true);
            view->setColumnHidden(1, true);
            view->horizontalHeader()->setHidden(look.style == u"leading");
            view->verticalHeader()->setHidden(look.style == u"leading");
        }
        view->horizontalScrollBar()->setValue(look.scrolled.x());
        view->verticalScrollBar()->setValue(look.scrolled.y());
    }
    const auto rendered = [&](QTableView& view) {
        QImage image(view.size() * look.ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(look.ratio);
        image.fill(Qt::white);
        view.viewport()->render(&image, {}, look.region);
        return image;
    };
    QCOMPARE(rendered(filled), rendered(stock));
    for (QTableView* view : views) {
        view->setStyle(nullptr);
    }
}

void LooksTest::onlyStylesThatDrawFromTheOptionAreCopied_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("proxies");
    QTest::addColumn<bool>("copied");
    QTest::newRow("Fusion") << QStringLiteral("Fusion") << 0 << true;
    QTest::newRow("Windows, behind two proxies") << QStringLiteral("Windows") << 2 << true;
    QTest::newRow("Fusion behind a proxy") << QStringLiteral("Fusion") << 1 << true;
    QTest::newRow("a style of another name") << QString() << 1 << false;
}

// A platform's style may animate a part or draw items its own way: only Qt's
// own plain styles have their parts copied, whatever proxies stand before
// them.
void LooksTest::onlyStylesThatDrawFromTheOptionAreCopied()
{
    QFETCH(QString, name);
    QFETCH(int, proxies);
    QFETCH(bool, copied);
    QStyle* style = name.isEmpty() ? new QCommonStyle : QStyleFactory::create(name);
    for (int i = 0; i < proxies; ++i) {
        style = new QProxyStyle(style);
    }
    const std::unique_ptr<QStyle> outer(style);
    QCOMPARE(drawsFromOptionAlone(outer.get()), copied);
}

void LooksTest::aWindowOpenedAgainDrawsNoPartAnew_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("gradient");
    QTest::addColumn<bool>("drawnAgain");
    QTest::newRow("as reloaded") << QColor() << false << false;
    QTest::newRow("another colour") << QColor(0xE0, 0xE0, 0xE0) << false << true;
    QTest::newRow("a gradient in the palette") << QColor() << true << true;
}

// A reload opens a new window, which sets its colours into palettes of its
// own: what it draws in the same colours is copied from the pictures of the
// window before, and it shows the same icon and photo placeholder, so that
// neither those pictures nor Qt's pixmap cache grows with every reload.
void LooksTest::aWindowOpenedAgainDrawsNoPartAnew()
{
    QFETCH(QColor, colour);
    QFETCH(bool, gradient);
    QFETCH(bool, drawnAgain);
    RunningApp app;
    const auto header = [&] { return app.find<QTableView>("DataGrid1")->horizontalHeader(); };
    const QPalette before = header()->palette();
    const qint64 icon = app.window()->windowIcon().cacheKey();
    const qint64 placeholder = app.find<QLabel>("regPic")->pixmap().cacheKey();
    app.click("cmdRefresh");
    app.settle();
    QCOMPARE(app.window()->windowIcon().cacheKey(), icon);
    QCOMPARE(app.find<QLabel>("regPic")->pixmap().cacheKey(), placeholder);
    QPalette after = header()->palette();
    QVERIFY(after.cacheKey() != before.cacheKey()); // a palette of its own, as Qt makes it
    if (colour.isValid()) {
        after.setColor(QPalette::Window, colour);
    }
    if (gradient) {
        after.setBrush(QPalette::Light, QLinearGradient(0, 0, 0, 20));
    }

    class CountingStyle : public QProxyStyle
    {
    public:
        CountingStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
        void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const override
        {
            headers += element == CE_Header ? 1 : 0;
            QProxyStyle::drawControl(element, option, painter, widget);
        }
        mutable int headers = 0;
    };
    auto* counting = new CountingStyle;
    const CachedPartsStyle cached(counting);
    QStyleOptionHeaderV2 section;
    section.initFrom(header());
    section.rect = QRect(0, 0, 120, 20);
    section.text = QStringLiteral("NAME");
    const auto paintIn = [&](const QPalette& palette) {
        section.palette = palette;
        return paintedOnWhite(QSize(130, 30), [&](QPainter& painter) {
            cached.drawControl(QStyle::CE_Header, &section, &painter, header());
        });
    };
    paintIn(before);
    const int drawn = counting->headers;
    paintIn(after);
    QCOMPARE(counting->headers, drawn + (drawnAgain ? 1 : 0));
}

void LooksTest::textReadsOnItsBackground_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("switched"); // to that scheme while the window is open
    QTest::addColumn<QByteArrayList>("focused");
    QTest::addColumn<QByteArray>("shown");
    const QByteArrayList none;
    for (const bool dark : {false, true}) {
        const char* scheme = dark ? "dark scheme: " : "light scheme: ";
        const auto row = [&](const char* name, bool switched = false) {
            const QString prefix = switched ? QStringLiteral("switched to ") : QString();
            return &(QTest::newRow(qPrintable(prefix + QLatin1String(scheme) + QLatin1String(name)))
                     << dark << switched);
        };
        *row("field with the focus") << QByteArrayList{"txtName"} << QByteArray("txtName");
        *row("field the focus left")
            << QByteArrayList{"txtName", "txtAdd"} << QByteArray("txtName");
        *row("number field the focus left")
            << QByteArrayList{"txtCon", "txtName"} << QByteArray("txtCon");
        *row("web link") << none << QByteArray("Label22");
        *row("close caption") << none << QByteArray("Label10");
        *row("menu caption on its bar") << none << QByteArray("Label9");
        *row("photo name caption on the bar") << none << QByteArray("Label15");
        *row("menu item") << none << QByteArray("Label12");
        *row("status panel") << none << QByteArray("lblDate");
        *row("results panel") << none << QByteArray("lblResult");
        *row("name field, focus never in it", true) << none << QByteArray("txtName");
        *row("field the focus left", true)
            << QByteArrayList{"txtAdd", "txtName"} << QByteArray("txtAdd");
        *row("web link", true) << none << QByteArray("Label22");
        *row("minimise caption", true) << none << QByteArray("Label11");
        *row("menu caption on its bar", true) << none << QByteArray("Label9");
        *row("status panel", true) << none << QByteArray("lblDate");
    }
}

// Norvane sets fixed light colours behind some text (the fields, the menu
// bar, the status panels); under a dark colour scheme the text on them must
// not stay the scheme's light colour, nor the web link black on the dark
// window. A scheme switched while the window is open (a desktop going dark
// at dusk) is followed at once: the window's ground is the new one, and no
// text is left in the old scheme's colour on it.
void LooksTest::textReadsOnItsBackground()
{
    QFETCH(bool, dark);
    QFETCH(bool, switched);
    QFETCH(QByteArrayList, focused);
    QFETCH(QByteArray, shown);
    const QPalette light = QApplication::palette();
    const auto restore = qScopeGuard([&light] { QApplication::setPalette(light); });
    const QPalette scheme = dark ? darkScheme() : light;
    QApplication::setPalette(switched == dark ? light : darkScheme());
    {
        RunningApp app({Contact{0,
                                QStringLiteral("Ann Smith"),
                                QStringLiteral("1 High St"),
                                QStringLiteral("5551234"),
                                {},
                                {},
                                {}}});
        if (switched) {
            // Focus in the fields first, under the scheme the window opened with.
            for (const QByteArray& name : focused) {
                app.find<QWidget>(name.constData())->setFocus();
            }
            focused.clear();
            QApplication::setPalette(scheme);
            QCoreApplication::processEvents();
        }
        for (const QByteArray& name : focused) {
            app.find<QWidget>(name.constData())->setFocus();
        }
        app.find<QWidget>("Picture3")->show();
        auto* widget = app.find<QWidget>(shown.constData());
        QRect area = widget->contentsRect().adjusted(3, 3, -3, -3);
        if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
            area = edit->viewport()->geometry().adjusted(2, 2, -2, -2);
        }
        const QImage image = app.window()->grab().toImage();
        const double contrast = textContrast(
            image.copy(QRect(widget->mapTo(app.window(), area.topLeft()), area.size())));
        QVERIFY2(contrast >= 3, qPrintable(QString::number(contrast)));
        // The bare window left of the list.
        QCOMPARE(image.pixelColor(2, 150), scheme.color(QPalette::ToolTipBase));
    }
}

QTEST_MAIN(LooksTest)
#include "tst_looks.moc"
