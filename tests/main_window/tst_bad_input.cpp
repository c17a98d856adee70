// Whatever a person types or pastes: each field keeps its maximum length,
// what was accepted is stored and read back exactly, the search takes it
// literally, and awkward photo files are refused or stored safely.
#include "support/running_app.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

using namespace norvane;
using namespace norvane::testing;

namespace {

const char* const kFields[] = {"regName", "regAddress", "regCon", "regEmail", "regCom"};

QString fieldText(QWidget* widget)
{
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        return line->text();
    }
    return qobject_cast<QPlainTextEdit*>(widget)->toPlainText();
}

void paste(QWidget* widget, const QString& text)
{
    widget->setFocus();
    QApplication::clipboard()->setText(text);
    QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
}

// The picture as a camera stores it: JPEG with the Exif orientation tag
// (3: upside down, 6: to be turned a quarter clockwise).
QByteArray cameraJpeg(const QImage& sensor, quint16 orientation)
{
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    sensor.save(&out, "JPEG");
    // APP1: "Exif", then a little-endian TIFF header and one IFD entry.
    const QByteArray exif =
        QByteArray("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24) +
        char(orientation) + QByteArray(7, '\0');
    QByteArray segment("\xFF\xE1");
    segment += char((exif.size() + 2) >> 8);
    segment += char((exif.size() + 2) & 0xFF);
    return jpeg.insert(2, segment + exif);
}

} // namespace

class BadInputTest : public QObject
{
    Q_OBJECT

private slots:
    void storesWhatWasAcceptedExactly_data();
    void storesWhatWasAcceptedExactly();
    void previewsAPictureWithinItsBoxAsTheCameraHeldIt_data();
    void previewsAPictureWithinItsBoxAsTheCameraHeldIt();
    void refusesAPictureThatClaimsToBeEnormous();
};

void BadInputTest::storesWhatWasAcceptedExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes and wildcards") << "O'Brien \"Bud\" 100% _x_ *";
    QTest::newRow("backslashes") << "C:\\Users\\ann\\";
    QTest::newRow("control characters") << QString("tab\there\x01\x7F");
    QTest::newRow("NUL") << QString("before") + QChar(0) + "after";
    QTest::newRow("right-to-left")
        << QString::fromUtf8("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xE2\x80\x8F abc");
    QTest::newRow("combining marks") << QString::fromUtf8("Zoe\xCC\x88 A\xCC\x8A\xCC\x81");
    QTest::newRow("emoji") << QString::fromUtf8("\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB Ann");
    QTest::newRow("10,000 characters") << QString(10000, QLatin1Char('x'));
    QTest::newRow("pasted non-digits") << "+44 (0) 131-555 ext. 7";
}

void BadInputTest::storesWhatWasAcceptedExactly()
{
    QFETCH(QString, text);
    RunningApp app;
    app.click("cmdReg");
    Contact accepted;
    for (const char* name : kFields) {
        QWidget* field = app.find<QWidget>(name);
        paste(field, text);
        const QString kept = fieldText(field);
        QVERIFY2(kept.size() <= 50, name);
    }
    accepted.name = fieldText(app.find<QWidget>("regName"));
    accepted.address = fieldText(app.find<QWidget>("regAddress"));
    accepted.contact = fieldText(app.find<QWidget>("regCon"));
    accepted.email = fieldText(app.find<QWidget>("regEmail"));
    accepted.company = fieldText(app.find<QWidget>("regCom"));
    if (accepted.name.isEmpty() || accepted.contact.isEmpty()) {
        QSKIP("the fields accepted nothing of this text");
    }
    app.click("AeroButton1");
    app.settle();
    const QList<Contact> stored = app.folder.stored();
    QCOMPARE(stored.size(), 1);
    accepted.id = stored[0].id;
    QCOMPARE(stored[0], accepted);
    // The search finds it by its own text, taken literally.
    app.find<QLineEdit>("txtSearch")->setText(accepted.name);
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 1);
    app.find<QLineEdit>("txtSearch")->setText(accepted.name.left(20) + QStringLiteral("%"));
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 0);
}

void BadInputTest::previewsAPictureWithinItsBoxAsTheCameraHeldIt_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("orientation"); // Exif's; 0 for a PNG
    QTest::addColumn<bool>("upright");    // taller than wide once shown
    QTest::newRow("huge PNG") << QString::fromUtf8("gro\xC3\x9F 'Bild' \"1\".png") << 0 << false;
    // A phone's portrait photo: the sensor's landscape pixels, and the
    // orientation that says they are to be turned.
    QTest::newRow("portrait photo stored on its side") << "phone.jpg" << 6 << true;
    QTest::newRow("photo stored upside down") << "upside.jpg" << 3 << false;
}

void BadInputTest::previewsAPictureWithinItsBoxAsTheCameraHeldIt()
{
    QFETCH(QString, fileName);
    QFETCH(int, orientation);
    QFETCH(bool, upright);
    RunningApp app;
    QImage sensor(6000, 4000, QImage::Format_RGB32);
    sensor.fill(Qt::darkGreen);
    const QString path = app.folder.path() + u'/' + fileName;
    if (orientation == 0) {
        QVERIFY(sensor.save(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cameraJpeg(sensor, quint16(orientation)));
    }
    app.fakes.files.nextPaths = {path};
    app.click("cmdReg");
    app.click("AeroButton5");
    QVERIFY(app.fakes.messages.asked.isEmpty());
    const QSize preview = app.find<QLabel>("regPic")->pixmap().size();
    QVERIFY(preview.width() <= app.find<QLabel>("regPic")->width());
    QVERIFY(preview.height() <= app.find<QLabel>("regPic")->height());
    QCOMPARE(preview.height() > preview.width(), upright);
    app.find<QLineEdit>("regName")->setText(QStringLiteral("Ann"));
    app.find<QPlainTextEdit>("regCon")->setPlainText(QStringLiteral("1"));
    app.click("AeroButton1");
    const QString stored = app.folder.stored().value(0).profile;
    QCOMPARE(stored, QFileInfo(path).fileName());
    QVERIFY(QFile::exists(app.folder.photoPath(stored)));
}

void BadInputTest::refusesAPictureThatClaimsToBeEnormous()
{
    RunningApp app;
    // A PNG header that claims 60000 x 60000 pixels and holds nothing.
    QByteArray bytes = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
    bytes += QByteArray::fromHex("0000ea600000ea600806000000");
    bytes += QByteArray(4, '\0');
    const QString path = app.folder.path() + "/claims.png";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    app.fakes.files.nextPaths = {path};
    app.click("cmdReg");
    app.click("AeroButton5");
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QCOMPARE(app.find<QLineEdit>("Text1")->text(), QString());
}

QTEST_MAIN(BadInputTest)
#include "tst_bad_input.moc"
