// Update mode, removing, refreshing and searching.
#include "support/running_app.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableView>

using namespace norvane;
using namespace norvane::testing;

namespace {

void selectRow(const RunningApp& app, int row)
{
    auto* grid = app.find<QTableView>("DataGrid1");
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

QStringList gridNames(const RunningApp& app)
{
    QAbstractItemModel* model = app.find<QTableView>("DataGrid1")->model();
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row) {
        names.append(model->index(row, 1).data().toString());
    }
    return names;
}

void search(const RunningApp& app, const char* option, const QString& text)
{
    QTest::mouseClick(app.find<QRadioButton>(option), Qt::LeftButton);
    app.find<QLineEdit>("txtSearch")->setText(text);
}

bool inUpdateMode(const RunningApp& app)
{
    return app.find<QWidget>("picUPD")->isVisible();
}

} // namespace

class UpdateTest : public QObject
{
    Q_OBJECT

private slots:
    void switchesBetweenBrowseAndUpdateMode();
    void placesTheUpdatePanelOverTheCommandRow();
    void savesEveryFieldOfTheSelectedContact_data();
    void savesEveryFieldOfTheSelectedContact();
    void showsTheSavedContactWhileItsMessageIsUp_data();
    void showsTheSavedContactWhileItsMessageIsUp();
    void keepsUpdateModeWhenTheSaveFails();
    void neverCutsALongerStoredValue();
    void cancelPutsTheStoredValuesBack();
    void warnsWhenThereIsNothingToChange_data();
    void warnsWhenThereIsNothingToChange();
    void namesATableItDoesNotChangeBeforeAnythingIsTyped_data();
    void namesATableItDoesNotChangeBeforeAnythingIsTyped();
    void asksBeforeRemovingAndNoChangesNothing();
    void removesOnlyTheSelectedContact();
    void reloadsOnlyOnceTheQuestionIsAnswered_data();
    void reloadsOnlyOnceTheQuestionIsAnswered();
    void removesANameWithAnApostrophe();
    void keepsASharedPhotoUntilItsLastContactGoes();
    void neverDeletesOutsideThePhotoFolder();
    void keepsRecordAndPhotoWhenTheRemovalFails();
    void refreshClearsTheSearch();
    void keepsTheSearchThroughAReloadFromElsewhere();
    void searchesAsTheUserTypes_data();
    void searchesAsTheUserTypes();
    void optionChangeAloneDoesNotRefilter();
    void emptyingTheSearchShowsEveryone();
};

void UpdateTest::switchesBetweenBrowseAndUpdateMode()
{
    RunningApp app({contact("Ann", "1"), contact("Bob", "2")});
    auto* grid = app.find<QTableView>("DataGrid1");
    const char* fields[] = {"txtName", "txtAdd", "txtEmail", "txtCom", "Text1"};
    app.click("cmdUpdate");
    QVERIFY(inUpdateMode(app));
    QVERIFY(!grid->isEnabled());
    QVERIFY(app.find<QWidget>("regIMG")->isVisible());
    QVERIFY(!app.find<QWidget>("AeroButton5")->isVisible()); // its panel is hidden
    QVERIFY(app.find<QWidget>("AeroButton5")->isVisibleTo(app.find<QWidget>("picReg")));
    // The name is not selected: what is typed goes into it, never over it.
    auto* txtName = app.find<QLineEdit>("txtName");
    QVERIFY(txtName->hasFocus());
    QTest::keyClick(txtName, Qt::Key_X);
    QCOMPARE(txtName->text(), QStringLiteral("xAnn"));
    QTest::keyClick(txtName, Qt::Key_Backspace);
    for (const char* name : fields) {
        QVERIFY(!app.find<QLineEdit>(name)->isReadOnly());
    }
    QVERIFY(!app.find<QPlainTextEdit>("txtCon")->isReadOnly());
    // The grid ignores the pointer and keys.
    selectRow(app, 1);
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann"));

    app.click("AeroButton4");
    QVERIFY(!inUpdateMode(app));
    QVERIFY(grid->isEnabled());
    QVERIFY(grid->hasFocus());
    QVERIFY(!app.find<QWidget>("regIMG")->isVisible());
    QVERIFY(!app.find<QWidget>("AeroButton5")->isVisibleTo(app.find<QWidget>("picReg")));
    for (const char* name : fields) {
        QVERIFY(app.find<QLineEdit>(name)->isReadOnly());
    }
    app.click("cmdUpdate");
    app.click("AeroButton3");
    app.settle();
    QVERIFY(!inUpdateMode(app));
    QVERIFY(app.find<QTableView>("DataGrid1")->isEnabled());
}

void UpdateTest::placesTheUpdatePanelOverTheCommandRow()
{
    RunningApp app({contact("Ann", "1")});
    app.click("cmdUpdate");
    auto global = [&](const char* name) {
        QWidget* w = app.find<QWidget>(name);
        return QRect(w->mapTo(app.window(), QPoint(0, 0)), w->size());
    };
    QCOMPARE(global("AeroButton3"), global("cmdRemove"));
    QCOMPARE(global("AeroButton4"), global("cmdRefresh"));
    for (const char* name : {"cmdReg", "cmdUpdate", "cmdRemove", "cmdRefresh"}) {
        QVERIFY(global("picUPD").contains(global(name)));
        QWidget* under = app.window()->childAt(global(name).center());
        QVERIFY(under != app.find<QWidget>(name));
    }
}

void UpdateTest::savesEveryFieldOfTheSelectedContact_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("saved");
    const auto row = [](const char* name, const char* field, const QString& text,
                        const QString& saved) {
        QTest::newRow(name) << QString::fromLatin1(field) << text << saved;
    };
    const auto same = [&](const char* name, const char* field, const QString& text) {
        row(name, field, text, text);
    };
    same("name", "txtName", "O'Brien \"Bud\"");
    same("address", "txtAdd",
         QString::fromUtf8("\xC3\x81lvaro Stra\xC3\x9F"
                           "e 5"));
    same("number", "txtCon", "555\n666");
    row("number, Enter pressed after it", "txtCon", "555\n666\n\n", "555\n666");
    same("email", "txtEmail", "bud@example.com");
    same("company", "txtCom", QString::fromUtf8("\xE5\xBC\xA0 & 100%"));
    same("photo name", "Text1", "bud.png");
}

void UpdateTest::savesEveryFieldOfTheSelectedContact()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, saved);
    RunningApp app({contact("Ann", "1", "Leith"), contact("Bob", "2", "Crail")});
    selectRow(app, 1);
    app.click("cmdUpdate");
    QWidget* widget = app.find<QWidget>(qPrintable(field));
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(text);
    } else {
        qobject_cast<QPlainTextEdit*>(widget)->setPlainText(text);
    }
    const QString name = app.find<QLineEdit>("txtName")->text();
    app.click("AeroButton3");
    app.settle();
    QCOMPARE(app.boxTexts(), QStringList{name + " has been updated in the database!"});
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Information);
    const QList<Contact> stored = app.folder.stored();
    QCOMPARE(stored[0].name, QStringLiteral("Ann"));
    QCOMPARE(stored[0].address, QStringLiteral("Leith"));
    Contact expected = stored[1];
    expected.text(*columnFromName(field == "txtName"    ? QStringLiteral("NAME")
                                  : field == "txtAdd"   ? QStringLiteral("ADDRESS")
                                  : field == "txtCon"   ? QStringLiteral("CONTACT")
                                  : field == "txtEmail" ? QStringLiteral("EMAIL")
                                  : field == "txtCom"   ? QStringLiteral("COMPANY")
                                                        : QStringLiteral("PROFILE"))) = saved;
    QCOMPARE(stored[1], expected);
    QCOMPARE(gridNames(app).size(), 2);
}

// The fields must not move to another contact under "... has been updated",
// nor the reload after it land there, even when the saved name no longer
// holds the text searched for.
void UpdateTest::showsTheSavedContactWhileItsMessageIsUp_data()
{
    QTest::addColumn<int>("row"); // among the rows found for "ann"
    QTest::addColumn<QString>("saved");
    QTest::newRow("the first row, out of the search") << 0 << "Zed";
    QTest::newRow("the last row, out of the search") << 1 << "Zed";
    QTest::newRow("still found") << 1 << "Joanna";
}

void UpdateTest::showsTheSavedContactWhileItsMessageIsUp()
{
    QFETCH(int, row);
    QFETCH(QString, saved);
    RunningApp app({contact("Ann", "1"), contact("Bob", "2"), contact("Annie", "3")});
    search(app, "Option1", QStringLiteral("ann"));
    selectRow(app, row);
    app.click("cmdUpdate");
    app.find<QLineEdit>("txtName")->setText(saved);
    QString shownWhileOpen;
    QString currentWhileOpen;
    app.fakes.messages.setWhileOpen([&] {
        shownWhileOpen = app.shownContact().name;
        const QModelIndex current = app.find<QTableView>("DataGrid1")->currentIndex();
        currentWhileOpen = current.siblingAtColumn(1).data().toString();
    });
    app.click("AeroButton3");
    app.settle();
    QCOMPARE(app.boxTexts(), QStringList{saved + " has been updated in the database!"});
    QCOMPARE(shownWhileOpen, saved);
    QCOMPARE(currentWhileOpen, saved);
    QStringList everyone{"Ann", "Bob", "Annie"};
    everyone[row == 0 ? 0 : 2] = saved;
    QCOMPARE(gridNames(app), everyone); // after the reload, which stays on it
    QCOMPARE(app.shownContact().name, saved);
}

void UpdateTest::keepsUpdateModeWhenTheSaveFails()
{
    RunningApp app({contact("Ann", "1")});
    app.click("cmdUpdate");
    app.find<QLineEdit>("txtName")->setText(QStringLiteral("Annabel"));
    const auto lock = app.folder.lockForWriting();
    QWidget* before = app.window();
    app.click("AeroButton3");
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QVERIFY(!app.boxTexts()[0].contains("has been updated"));
    QCOMPARE(app.window(), before);
    QVERIFY(inUpdateMode(app));
    QCOMPARE(app.find<QLineEdit>("txtName")->text(), QStringLiteral("Annabel"));
    QCOMPARE(app.folder.stored().value(0).name, QStringLiteral("Ann"));
}

// A value longer than the fields allow (stored by another program) is shown
// whole, and saving another field writes it back unchanged.
void UpdateTest::neverCutsALongerStoredValue()
{
    const QString longAddress = QString(80, QLatin1Char('a'));
    const QString longNumber = QString(70, QLatin1Char('5'));
    RunningApp app({contact("Ann", longNumber, longAddress)});
    QCOMPARE(app.shownContact().address, longAddress);
    QCOMPARE(app.shownContact().contact, longNumber);
    app.click("cmdUpdate");
    app.find<QLineEdit>("txtName")->setText(QStringLiteral("Annabel"));
    app.click("AeroButton3");
    const Contact stored = app.folder.stored().value(0);
    QCOMPARE(stored.name, QStringLiteral("Annabel"));
    QCOMPARE(stored.address, longAddress);
    QCOMPARE(stored.contact, longNumber);
}

void UpdateTest::cancelPutsTheStoredValuesBack()
{
    RunningApp app({contact("Ann", "1", "Leith"), contact("Bob", "2")});
    app.click("cmdUpdate");
    app.find<QLineEdit>("txtName")->setText(QStringLiteral("typed"));
    app.find<QLineEdit>("txtAdd")->setText(QStringLiteral("typed too"));
    app.click("AeroButton4");
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann"));
    QCOMPARE(app.shownContact().address, QStringLiteral("Leith"));
    selectRow(app, 1);
    selectRow(app, 0);
    QCOMPARE(app.folder.stored().value(0).name, QStringLiteral("Ann"));
    // Entering update mode starts from the stored values, even after a photo step.
    app.fakes.files.nextPaths = {app.folder.writePicture("pics/x.png")};
    app.click("cmdReg");
    app.click("AeroButton5");
    app.click("AeroButton2");
    QCOMPARE(app.find<QLineEdit>("Text1")->text(), QStringLiteral("x.png"));
    app.click("cmdUpdate");
    QCOMPARE(app.find<QLineEdit>("Text1")->text(), QString());
}

void UpdateTest::warnsWhenThereIsNothingToChange_data()
{
    QTest::addColumn<bool>("emptyTable");
    QTest::newRow("empty table") << true;
    QTest::newRow("search without match") << false;
}

void UpdateTest::warnsWhenThereIsNothingToChange()
{
    QFETCH(bool, emptyTable);
    RunningApp app(emptyTable ? QList<Contact>{} : QList<Contact>{contact("Ann", "1")});
    if (!emptyTable) {
        search(app, "Option1", QStringLiteral("zzz"));
    }
    app.click("cmdUpdate");
    app.click("cmdRemove");
    QCOMPARE(app.boxTexts(),
             QStringList({"There is nothing to update!", "There is nothing to delete!"}));
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QVERIFY(!inUpdateMode(app));
    QCOMPARE(app.folder.stored().size(), emptyTable ? 0 : 1);
}

void UpdateTest::namesATableItDoesNotChangeBeforeAnythingIsTyped_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("REGISTER") << QByteArray("cmdReg");
    QTest::newRow("UPDATE") << QByteArray("cmdUpdate");
    QTest::newRow("REMOVE") << QByteArray("cmdRemove");
    QTest::newRow("Import contacts...") << QByteArray("importContactsAction");
    QTest::newRow("a file dropped") << QByteArray("drop");
}

void UpdateTest::namesATableItDoesNotChangeBeforeAnythingIsTyped()
{
    QFETCH(QByteArray, command);
    RunningApp app;
    app.folder.replaceContactTable(kColumnsWithoutIdKey);
    app.folder.execute("INSERT INTO tblYou (ID, NAME, CONTACT) VALUES (1, 'Ann', '1')");
    app.click("cmdRefresh");
    app.settle();
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 1);
    if (command.startsWith("cmd")) {
        app.click(command.constData());
    } else if (command == "drop") {
        // Refused before the file is read, so that it need not exist.
        QVERIFY(app.dropFiles({app.folder.path() + QStringLiteral("/a.vcf")}));
    } else {
        app.find<QAction>(command.constData())->trigger();
    }
    const QStringList boxes = app.boxTexts();
    QCOMPARE(boxes.size(), 1); // no question or file dialog before it
    QVERIFY2(boxes[0].endsWith(QLatin1String("Norvane changes nothing in this book.")),
             qPrintable(boxes[0]));
    QVERIFY(!inUpdateMode(app));
    QVERIFY(!app.find<QWidget>("picReg")->isVisible());
    QCOMPARE(app.folder.stored().size(), 1);
}

void UpdateTest::asksBeforeRemovingAndNoChangesNothing()
{
    RunningApp app({contact("Ann", "555", {}, {}, {}, "ann.png")});
    app.folder.writePicture(app.folder.photoPath("ann.png"));
    QWidget* before = app.window();
    app.fakes.messages.setNextAnswer(BoxAnswer::No);
    app.click("cmdRemove");
    const AskedBox question = app.fakes.messages.asked.value(0);
    QCOMPARE(question.text,
             QStringLiteral("Do you want to delete Ann with the contact below?\r\n\r\n555"));
    QCOMPARE(question.text.split("\r\n"),
             QStringList({"Do you want to delete Ann with the contact below?", "", "555"}));
    QCOMPARE(question.icon, BoxIcon::Question);
    QCOMPARE(question.buttons, BoxButtons::YesNo);
    QVERIFY(question.title.startsWith(QLatin1String("9:05:03")));
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.window(), before);
    QCOMPARE(app.folder.stored().size(), 1);
    QVERIFY(QFile::exists(app.folder.photoPath("ann.png")));
}

void UpdateTest::removesOnlyTheSelectedContact()
{
    RunningApp app({contact("Ann", "111", {}, {}, {}, "a.png"),
                    contact("Ann", "222", {}, {}, {}, "b.png"), contact("Cy", "3")});
    app.folder.writePicture(app.folder.photoPath("a.png"));
    app.folder.writePicture(app.folder.photoPath("b.png"));
    selectRow(app, 1);
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    app.click("cmdRemove");
    app.settle();
    QCOMPARE(app.boxTexts(),
             QStringList({"Do you want to delete Ann with the contact below?\r\n\r\n222",
                          "Ann has been deleted in the database!"}));
    const QList<Contact> stored = app.folder.stored();
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored[0].contact, QStringLiteral("111"));
    QCOMPARE(stored[1].name, QStringLiteral("Cy"));
    QVERIFY(QFile::exists(app.folder.photoPath("a.png")));
    QVERIFY(!QFile::exists(app.folder.photoPath("b.png")));
    QCOMPARE(gridNames(app), QStringList({"Ann", "Cy"}));
}

void UpdateTest::reloadsOnlyOnceTheQuestionIsAnswered_data()
{
    QTest::addColumn<BoxAnswer>("answer");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("removed") << BoxAnswer::Yes << QStringList({"Bob", "Cy"});
    QTest::newRow("kept") << BoxAnswer::No << QStringList({"Ann", "Bob", "Cy"});
}

// A reload asked for while a question is up (a sync ending, another program
// asking) waits for the answer: the removal goes on in the window that asked,
// and what the other program added shows after it.
void UpdateTest::reloadsOnlyOnceTheQuestionIsAnswered()
{
    QFETCH(BoxAnswer, answer);
    QFETCH(QStringList, listed);
    RunningApp app({contact("Ann", "1"), contact("Bob", "2")});
    QWidget* const asking = app.window();
    QWidget* windowAfterTheAsk = nullptr;
    app.fakes.messages.setNextAnswer(answer);
    app.fakes.messages.setWhileOpen([&] {
        QDialog question(asking); // as the real question, a modal dialog
        question.setModal(true);
        question.show();
        app.folder.add({contact("Cy", "3")});
        app.registry->reloadWhenIdle();
        windowAfterTheAsk = app.window();
    });
    app.click("cmdRemove");
    app.settle();
    QCOMPARE(windowAfterTheAsk, asking);
    QCOMPARE(gridNames(app), listed);
}

void UpdateTest::removesANameWithAnApostrophe()
{
    RunningApp app({contact("O'Brien", "1"), contact("Ann", "2")});
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    app.click("cmdRemove");
    QCOMPARE(app.boxTexts().value(1), QStringLiteral("O'Brien has been deleted in the database!"));
    QCOMPARE(app.folder.stored().size(), 1);
    QCOMPARE(app.folder.stored()[0].name, QStringLiteral("Ann"));
    QVERIFY(QDir(app.folder.path() + "/IMG").exists());
}

void UpdateTest::keepsASharedPhotoUntilItsLastContactGoes()
{
    RunningApp app({contact("Ann", "1", {}, {}, {}, "shared.png"),
                    contact("Bob", "2", {}, {}, {}, "shared.png")});
    app.folder.writePicture(app.folder.photoPath("shared.png"));
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    app.click("cmdRemove");
    app.settle();
    QVERIFY(QFile::exists(app.folder.photoPath("shared.png")));
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    app.click("cmdRemove");
    app.settle();
    QVERIFY(app.folder.stored().isEmpty());
    QVERIFY(!QFile::exists(app.folder.photoPath("shared.png")));
}

void UpdateTest::neverDeletesOutsideThePhotoFolder()
{
    RunningApp app({contact("Ann", "1", {}, {}, {}, "../dbVesk.mdb")});
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    app.click("cmdRemove");
    QVERIFY(QFile::exists(app.folder.databasePath()));
    QVERIFY(app.folder.stored().isEmpty());
    QVERIFY(app.boxTexts().last().endsWith("has been deleted in the database!"));
}

void UpdateTest::keepsRecordAndPhotoWhenTheRemovalFails()
{
    RunningApp app({contact("Ann", "1", {}, {}, {}, "ann.png")});
    app.folder.writePicture(app.folder.photoPath("ann.png"));
    const auto lock = app.folder.lockForWriting();
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    app.click("cmdRemove");
    QCOMPARE(app.fakes.messages.asked.size(), 2);
    QCOMPARE(app.fakes.messages.asked[1].icon, BoxIcon::Warning);
    QVERIFY(!app.boxTexts()[1].contains("has been deleted"));
    QVERIFY(QFile::exists(app.folder.photoPath("ann.png")));
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann"));
}

void UpdateTest::refreshClearsTheSearch()
{
    RunningApp app({contact("Ann", "1", "Leith"), contact("Bob", "2", "Crail")});
    search(app, "Option2", QStringLiteral("crail"));
    QCOMPARE(gridNames(app), QStringList{"Bob"});
    app.click("cmdRefresh");
    app.settle();
    QCOMPARE(app.find<QLineEdit>("txtSearch")->text(), QString());
    QVERIFY(app.find<QRadioButton>("Option1")->isChecked());
    QCOMPARE(gridNames(app), QStringList({"Ann", "Bob"}));
    QCOMPARE(app.shownContact().name, QStringLiteral("Bob")); // still the one selected
    QVERIFY(app.fakes.messages.asked.isEmpty());
}

// A reload the user did not ask for (a sync that pulled changes, another
// program's import) keeps what is being typed: the text, the column it
// searched, the option chosen since, and the cursor in the search field.
void UpdateTest::keepsTheSearchThroughAReloadFromElsewhere()
{
    RunningApp app({contact("Ann", "1", "Crail"), contact("Bob", "2", "Annfield")});
    auto* box = app.find<QLineEdit>("txtSearch");
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("an"));
    QTest::mouseClick(app.find<QRadioButton>("Option2"), Qt::LeftButton);
    box->setFocus();
    box->setCursorPosition(1);
    QWidget* const before = app.window();
    app.folder.add({contact("Dan", "3", "Leith")});
    app.registry->reloadWhenIdle();
    app.settle();
    QVERIFY(app.window() != before);
    box = app.find<QLineEdit>("txtSearch");
    QCOMPARE(box->text(), QStringLiteral("an"));
    QCOMPARE(gridNames(app), QStringList({"Ann", "Dan"}));
    QVERIFY(app.find<QRadioButton>("Option2")->isChecked());
    QVERIFY(box->hasFocus());
    QCOMPARE(box->cursorPosition(), 1);
    QTest::keyClicks(box, QStringLiteral("n"));
    QCOMPARE(box->text(), QStringLiteral("ann"));
    QCOMPARE(gridNames(app), QStringList{"Bob"});
}

void UpdateTest::searchesAsTheUserTypes_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("name, case") << "Option1"
                                << "ANN" << QStringList{"Ann", "Joanna"};
    QTest::newRow("accent typed") << "Option1" << QString::fromUtf8("zo\xC3\xAB")
                                  << QStringList{"Zoe"};
    QTest::newRow("accent stored") << "Option1"
                                   << "alvaro" << QStringList{QString::fromUtf8("\xC3\x81lvaro")};
    QTest::newRow("apostrophe") << "Option1"
                                << "'b" << QStringList{"O'Brien"};
    QTest::newRow("percent") << "Option1"
                             << "%" << QStringList{};
    QTest::newRow("underscore") << "Option1"
                                << "_" << QStringList{};
    QTest::newRow("spaces") << "Option2"
                            << "  " << QStringList{"Joanna"};
    QTest::newRow("address") << "Option2"
                             << "mill" << QStringList{"Joanna"};
    QTest::newRow("contact digits") << "Option3"
                                    << "55" << QStringList{"Ann", "O'Brien"};
}

void UpdateTest::searchesAsTheUserTypes()
{
    QFETCH(QString, option);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    RunningApp app({contact("Ann", "5551", "Leith"), contact("Joanna", "222", "3  Mill Lane"),
                    contact("Zoe", "333"), contact(QString::fromUtf8("\xC3\x81lvaro"), "444"),
                    contact("O'Brien", "7557")});
    search(app, qPrintable(option), text);
    QCOMPARE(gridNames(app), expected);
    QCOMPARE(app.shownContact().name, expected.value(0));
    QCOMPARE(app.find<QLabel>("lblResult")->text(),
             QStringLiteral("Results:  %1").arg(expected.size()));
}

void UpdateTest::optionChangeAloneDoesNotRefilter()
{
    RunningApp app({contact("Ann", "1", "Crail"), contact("Bob", "2", "Anstruther")});
    auto* box = app.find<QLineEdit>("txtSearch");
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("a"));
    QTest::keyClicks(box, QStringLiteral("n"));
    QTest::keyClicks(box, QStringLiteral("n"));
    QCOMPARE(gridNames(app), QStringList{"Ann"});
    QTest::mouseClick(app.find<QRadioButton>("Option2"), Qt::LeftButton);
    QCOMPARE(gridNames(app), QStringList{"Ann"});
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(gridNames(app), QStringList{"Bob"});
}

void UpdateTest::emptyingTheSearchShowsEveryone()
{
    RunningApp app({contact("Ann", "1"), contact("Bob", "2"), contact("Cy", "3")});
    search(app, "Option1", QStringLiteral("cy"));
    QCOMPARE(app.shownContact().name, QStringLiteral("Cy"));
    app.find<QLineEdit>("txtSearch")->clear();
    QCOMPARE(gridNames(app), QStringList({"Ann", "Bob", "Cy"}));
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann"));
    QCOMPARE(app.find<QLabel>("lblResult")->text(), QStringLiteral("Results:  3"));
}

QTEST_MAIN(UpdateTest)
#include "tst_update.moc"
