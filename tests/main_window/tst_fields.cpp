// The ten edit fields: key filter, length limits, focus colour and the
// binding of the detail fields to the grid's current row.
#include "contacts/digit_filter.h"
#include "main_window/number_edit.h"
#include "support/running_app.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

using namespace norvane;
using namespace norvane::testing;

namespace {

const QColor kPeach(0xFF, 0xE0, 0xC0);

QColor backColour(QWidget* field)
{
    return field->palette().color(QPalette::Base);
}

} // namespace

class FieldsTest : public QObject
{
    Q_OBJECT

private slots:
    void digitFilterFollowsItsRule_data();
    void digitFilterFollowsItsRule();
    void digitFilterCoversItsWholeDomain();
    void numberFieldsTakeDigitsAndControlKeys();
    void fieldsKeepTheirMaximumLength_data();
    void fieldsKeepTheirMaximumLength();
    void focusColourFollowsTheFocus();
    void detailFieldsFollowTheGridByPointerAndKeys();
    void detailFieldsAreLockedButFocusable();
    void detailFieldsShowTheBeginningOfLongValues();
    void pastedLineBreaksStayOffOneLineFields_data();
    void pastedLineBreaksStayOffOneLineFields();
    void storedLineBreaksOutliveAnEdit_data();
    void storedLineBreaksOutliveAnEdit();
};

void FieldsTest::digitFilterFollowsItsRule_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expected");
    for (int code : {48, 50, 57, 31, 8, 13, 3, 22, 24, 0, -1, -20000, -32768}) {
        QTest::addRow("passes %d", code) << code << code;
    }
    for (int code : {47, 58, 32, 65, 97, 127, 128, 178, 255, 256, 32767}) {
        QTest::addRow("cancels %d", code) << code << 0;
    }
}

void FieldsTest::digitFilterFollowsItsRule()
{
    QFETCH(int, code);
    QFETCH(int, expected);
    QCOMPARE(int(DigitFilter(static_cast<std::int16_t>(code))), expected);
}

void FieldsTest::digitFilterCoversItsWholeDomain()
{
    for (int code = -32768; code <= 32767; ++code) {
        const bool passes = (code >= 48 && code <= 57) || code < 32;
        const int result = DigitFilter(static_cast<std::int16_t>(code));
        if (result != (passes ? code : 0)) {
            QFAIL(qPrintable(QStringLiteral("DigitFilter(%1) gave %2").arg(code).arg(result)));
        }
    }
}

void FieldsTest::numberFieldsTakeDigitsAndControlKeys()
{
    RunningApp app;
    app.click("cmdReg");
    auto* regCon = app.find<NumberEdit>("regCon");
    QTest::keyClicks(regCon, QStringLiteral("5a5 -+.5"));
    QKeyEvent accented(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                       QString::fromUtf8("\xC3\xA9"));
    QApplication::sendEvent(regCon, &accented);
    QCOMPARE(regCon->toPlainText(), QStringLiteral("555"));
    QTest::keyClick(regCon, Qt::Key_Backspace);
    QCOMPARE(regCon->toPlainText(), QStringLiteral("55"));
    QTest::keyClick(regCon, Qt::Key_Return);
    QTest::keyClicks(regCon, QStringLiteral("7x"));
    QCOMPARE(regCon->toPlainText(), QStringLiteral("55\n7"));
    // Copy and paste still work, and a paste may bring other characters.
    QApplication::clipboard()->setText(QStringLiteral("+44 (0)"));
    QTest::keyClick(regCon, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(regCon->toPlainText(), QStringLiteral("55\n7+44 (0)"));
    QCOMPARE(NumberEdit::keyCode(QString::fromUtf8("\xE4\xB8\x80")), std::int16_t{'?'});
}

void FieldsTest::fieldsKeepTheirMaximumLength_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("maximum");
    for (const char* name : {"regName", "regAddress", "regEmail", "regCom", "txtSearch"}) {
        QTest::newRow(name) << name << 50;
    }
    QTest::newRow("regCon") << "regCon" << 50;
}

void FieldsTest::fieldsKeepTheirMaximumLength()
{
    QFETCH(QString, field);
    QFETCH(int, maximum);
    RunningApp app;
    app.click("cmdReg");
    QWidget* widget = app.find<QWidget>(qPrintable(field));
    widget->setFocus();
    QApplication::clipboard()->setText(QString(10000, QLatin1Char('7')));
    QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClicks(widget, QStringLiteral("12"));
    const QString text = qobject_cast<QLineEdit*>(widget)
                             ? qobject_cast<QLineEdit*>(widget)->text()
                             : qobject_cast<QPlainTextEdit*>(widget)->toPlainText();
    QCOMPARE(text, QString(maximum, QLatin1Char('7')));
}

void FieldsTest::focusColourFollowsTheFocus()
{
    RunningApp app({contact("Ann", "1")});
    app.click("cmdReg");
    QWidget* regName = app.find<QWidget>("regName");
    QWidget* regAddress = app.find<QWidget>("regAddress");
    QWidget* regCon = app.find<QWidget>("regCon");
    QVERIFY(regName->hasFocus());
    QCOMPARE(backColour(regName), kPeach);
    QTest::keyClick(regName, Qt::Key_Tab);
    QVERIFY(regAddress->hasFocus());
    QCOMPARE(backColour(regName), QColor(Qt::white));
    QCOMPARE(backColour(regAddress), kPeach);
    QTest::keyClick(regAddress, Qt::Key_Tab);
    QCOMPARE(backColour(regCon), kPeach);
    QCOMPARE(backColour(regAddress), QColor(Qt::white));
    app.click("AeroButton2");
    // A locked detail field is coloured too when clicked.
    QWidget* txtEmail = app.find<QWidget>("txtEmail");
    QTest::mouseClick(txtEmail, Qt::LeftButton);
    QVERIFY(txtEmail->hasFocus());
    QCOMPARE(backColour(txtEmail), kPeach);
    QCOMPARE(backColour(regCon), QColor(Qt::white));
    app.find<QWidget>("DataGrid1")->setFocus();
    QCOMPARE(backColour(txtEmail), QColor(Qt::white));
}

void FieldsTest::detailFieldsFollowTheGridByPointerAndKeys()
{
    RunningApp app({contact("Ann", "111", "Leith", "ann@example.com", "Quay", "ann.jpg"),
                    contact("Bob", "222\n333", "Crail", "bob@example.com", "Mill", "bob.png"),
                    contact("Cy", "444")});
    auto* grid = app.find<QTableView>("DataGrid1");
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann"));
    const QRect second = grid->visualRect(grid->model()->index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    Contact shown = app.shownContact();
    shown.id = 0;
    QCOMPARE(shown, contact("Bob", "222\n333", "Crail", "bob@example.com", "Mill", "bob.png"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(app.shownContact().name, QStringLiteral("Cy"));
    QCOMPARE(app.shownContact().profile, QString());
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann"));
}

void FieldsTest::detailFieldsAreLockedButFocusable()
{
    RunningApp app({contact("Ann", "1")});
    for (const char* name : {"txtName", "txtAdd", "txtEmail", "txtCom", "Text1"}) {
        auto* field = app.find<QLineEdit>(name);
        QVERIFY(field->isReadOnly());
        QVERIFY(field->focusPolicy() != Qt::NoFocus);
    }
    auto* txtName = app.find<QLineEdit>("txtName");
    txtName->setFocus();
    QTest::keyClicks(txtName, QStringLiteral("zz"));
    QCOMPARE(txtName->text(), QStringLiteral("Ann"));
    auto* txtCon = app.find<QPlainTextEdit>("txtCon");
    QVERIFY(txtCon->isReadOnly());
}

void FieldsTest::detailFieldsShowTheBeginningOfLongValues()
{
    const QString longer = QStringLiteral("Annabel Longname ").repeated(3);
    RunningApp app({contact("Bo", "1"), contact(longer, "2", longer, longer, longer, longer)});
    auto* grid = app.find<QTableView>("DataGrid1");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    for (const char* name : {"txtName", "txtAdd", "txtEmail", "txtCom", "Text1"}) {
        auto* field = app.find<QLineEdit>(name);
        QCOMPARE(field->text(), longer);
        const QRect caret = field->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QVERIFY2(caret.left() < field->width() / 4, name);
    }
}

// A line copied with its end, or an address copied line by line, pasted into
// a one-line field.
void FieldsTest::pastedLineBreaksStayOffOneLineFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed"); // before the paste, the caret then put at `at`
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("found"); // by the search, -1 for another field
    QTest::newRow("a line with its end") << "regName"
                                         << "" << 0 << "Ann Lee\n"
                                         << "Ann Lee" << 7 << -1;
    QTest::newRow("Windows line ends on both sides") << "regEmail"
                                                     << "" << 0 << "\r\nann@example.com\r\n"
                                                     << "ann@example.com" << 15 << -1;
    QTest::newRow("an address of several lines") << "regAddress"
                                                 << "" << 0 << "1 Quay\nLeith\r\n\r\nEH6 6AA\n"
                                                 << "1 Quay, Leith, EH6 6AA" << 22 << -1;
    QTest::newRow("into typed text, a paragraph separator") << "regCom"
                                                            << "Acme" << 2 << "\nx\u2028y\u2029"
                                                            << "Acx yme" << 5 << -1;
    QTest::newRow("the search") << "txtSearch"
                                << "" << 0 << "Bob\n"
                                << "Bob" << 3 << 1;
    QTest::newRow("the search, lines joined as the list joins them")
        << "txtSearch"
        << "" << 0 << "\n1 Quay\r\nLeith\n"
        << "1 Quay, Leith" << 13 << 1;
    QTest::newRow("a photo name in update mode") << "Text1"
                                                 << "" << 0 << "bob.png\r\n"
                                                 << "bob.png" << 7 << -1;
}

void FieldsTest::pastedLineBreaksStayOffOneLineFields()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, at);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QFETCH(int, caret);
    QFETCH(int, found);
    // A name of two lines, as another program may have stored one.
    RunningApp app({contact("Ann", "1"), contact("Bob", "2"), contact("1 Quay\nLeith", "3")});
    if (field.startsWith(QLatin1String("reg"))) {
        app.click("cmdReg");
    } else if (field == QLatin1String("Text1")) {
        app.click("cmdUpdate");
    }
    auto* edit = app.find<QLineEdit>(qPrintable(field));
    edit->setFocus();
    QTest::keyClicks(edit, typed);
    edit->setCursorPosition(at);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), expected);
    QCOMPARE(edit->cursorPosition(), caret);
    if (found >= 0) {
        QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), found);
    }
}

// A value stored with a line break (an imported address) is shown and saved
// as it is; only what is pasted into it is put on one line, also where the
// pasted text begins like the stored text after the caret.
void FieldsTest::storedLineBreaksOutliveAnEdit_data()
{
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("saved");
    QTest::newRow("at the end") << 12 << " EH6\n"
                                << "1 Quay\nLeith EH6";
    QTest::newRow("before the stored break") << 6 << "\nEH6"
                                             << "1 QuayEH6\nLeith";
}

void FieldsTest::storedLineBreaksOutliveAnEdit()
{
    QFETCH(int, at);
    QFETCH(QString, pasted);
    QFETCH(QString, saved);
    RunningApp app({contact("Ann", "1", "1 Quay\nLeith")});
    auto* txtAdd = app.find<QLineEdit>("txtAdd");
    QCOMPARE(txtAdd->text(), QStringLiteral("1 Quay\nLeith"));
    app.click("cmdUpdate");
    txtAdd->setFocus();
    txtAdd->setCursorPosition(at);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(txtAdd, Qt::Key_V, Qt::ControlModifier);
    app.click("AeroButton3");
    app.settle();
    QCOMPARE(app.folder.stored()[0].address, saved);
}

QTEST_MAIN(FieldsTest)
#include "tst_fields.moc"
