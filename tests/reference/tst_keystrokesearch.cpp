// The keystroke search of the employee, project and activity windows: the key rules, the
// restart rule, the integer search of activities and Enter in each window.

#include "ReferenceFixture.h"

#include "Act.h"
#include "DBGrid.h"
#include "Emp.h"
#include "KeystrokeSearch.h"
#include "Prj.h"

#include <QKeyEvent>
#include <QtTest>

namespace
{
struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

// "b" (a letter key), "B" (the same with Shift held: QTest presses Shift first, as a keyboard
// does), "Shift", "Kp4", "Down", "Enter", "Esc", "PgDn", "Space".
Key parseKey(const QString& token)
{
    static const QMap<QString, Key> named {
        { QStringLiteral("Shift"), { Qt::Key_Shift, Qt::ShiftModifier, QString() } },
        { QStringLiteral("Down"), { Qt::Key_Down, Qt::NoModifier, QString() } },
        { QStringLiteral("Up"), { Qt::Key_Up, Qt::NoModifier, QString() } },
        { QStringLiteral("Left"), { Qt::Key_Left, Qt::NoModifier, QString() } },
        { QStringLiteral("Right"), { Qt::Key_Right, Qt::NoModifier, QString() } },
        { QStringLiteral("Enter"), { Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r") } },
        { QStringLiteral("KpEnter"), { Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r") } },
        { QStringLiteral("Esc"), { Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b") } },
        { QStringLiteral("PgDn"), { Qt::Key_PageDown, Qt::NoModifier, QString() } },
        { QStringLiteral("Space"), { Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ") } },
    };
    if (named.contains(token))
        return named.value(token);
    if (token.startsWith(QLatin1String("Kp")))
        return { Qt::Key(Qt::Key_0 + token.at(2).digitValue()), Qt::KeypadModifier, token.mid(2, 1) };
    const QChar c = token.at(0);
    const Qt::Key key = c.isDigit() ? Qt::Key(Qt::Key_0 + c.digitValue()) : Qt::Key(c.toUpper().unicode());
    return { key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c) };
}

void press(QWidget* target, const QString& keys)
{
    for (const QString& token : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const Key k = parseKey(token);
        QTest::keyClick(target, k.key, k.modifiers);
    }
}

// Control characters shown readably in failure messages and data rows.
QString visible(const QString& text)
{
    QString out;
    for (QChar c : text)
        out += c.unicode() < 32 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                : QString(c);
    return out;
}
}

class TestKeystrokeSearch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void keyCodes_data();
    void keyCodes();
    void searchTable_data();
    void searchTable();
    void searchTextBelongsToTheWindowClass();
    void popupShortcutsDoNotReachTheSearch();

private:
    ReferenceListWindow* window(const QString& which);
    ReferenceFixture f;
    std::unique_ptr<ReferenceListWindow> win;
    QStringList opened; // dialogs the Enter key opened
};

void TestKeystrokeSearch::init()
{
    f.create();
    // No employee name begins with BER; Bell comes before Berg in no list.
    for (const auto& [code, name] : { std::pair { "E1", "Adams" }, { "E2", "Baker" }, { "E3", "Bell" },
             { "E30", "Bellamy" }, { "R7", "Roberts" }, { "E5", "Rossi" }, { "E6", "Zhang" } })
        f.addEmployee(QLatin1String(code), QLatin1String(name));
    for (const auto& [code, name] :
        { std::pair { "P1", "Bridge" }, { "P2", "Berlin office" }, { "P3", "Canal" } })
        f.addProject(QLatin1String(code), QLatin1String(name));
    for (const auto& [code, name] :
        { std::pair { 1, "Design" }, { 2, "Build" }, { 12, "Review" }, { 30, "Travel" }, { 120, "Support" } })
        f.addActivity(code, QLatin1String(name));
    f.open();
    opened.clear();
    for (const char* dialog : { "FEmpAM", "FPrjAm", "FActAm" }) {
        const QString name = QLatin1String(dialog);
        f.drivers[name] = [this, name](QDialog* d) {
            opened << name;
            d->reject();
            return d->result();
        };
    }
}

void TestKeystrokeSearch::cleanup()
{
    win.reset();
    f.destroy();
}

ReferenceListWindow* TestKeystrokeSearch::window(const QString& which)
{
    if (which == QLatin1String("Emp"))
        win = std::make_unique<TFEmp>();
    else if (which == QLatin1String("Prj"))
        win = std::make_unique<TFPrj>();
    else
        win = std::make_unique<TFAct>();
    win->resize(520, 300);
    win->show();
    return win.get();
}

void TestKeystrokeSearch::keyCodes_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("character");
    QTest::newRow("capital") << "B" << 66 << "B";
    QTest::newRow("small letter arrives as its capital") << "b" << 66 << "B";
    QTest::newRow("digit") << "4" << 52 << "4";
    QTest::newRow("keypad digit") << "Kp4" << 100 << "4";
    QTest::newRow("keypad 0") << "Kp0" << 96 << "0";
    QTest::newRow("Shift") << "Shift" << 16 << "\x10";
    QTest::newRow("Escape") << "Esc" << 27 << "\x1b";
    QTest::newRow("Page Down") << "PgDn" << 34 << "\"";
    QTest::newRow("Enter") << "Enter" << 13 << "\r";
    QTest::newRow("keypad Enter") << "KpEnter" << 13 << "\r";
    QTest::newRow("space") << "Space" << 32 << " ";
    QTest::newRow("left arrow") << "Left" << 37 << "%";
    QTest::newRow("down arrow") << "Down" << 40 << "(";
}

void TestKeystrokeSearch::keyCodes()
{
    QFETCH(QString, key);
    QFETCH(int, code);
    QFETCH(QString, character);
    const Key k = parseKey(key);
    const QKeyEvent event(QEvent::KeyPress, k.key, k.modifiers, k.text);
    QCOMPARE(int(KeystrokeSearch::virtualKey(event)), code);
    QCOMPARE(QString(KeystrokeSearch::character(quint16(code))), character);
    QCOMPARE(KeystrokeSearch::isArrow(quint16(code)), code >= 37 && code <= 40);
}

void TestKeystrokeSearch::searchTable_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("byNumber");
    QTest::addColumn<QString>("start"); // number of the record made current first; empty: the first
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("current"); // number field of the current record afterwards
    QTest::addColumn<QString>("text"); // the search text afterwards
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<QList<int>>("absent"); // activities deleted first

    const QStringList none;
    // Employees by name: Adams, Baker, Bell, Bellamy, Roberts, Rossi, Zhang.
    QTest::newRow("B selects the first name beginning with B") << "Emp" << false << ""
                                                               << "b"
                                                               << "E2"
                                                               << "B" << none << QList<int>();
    QTest::newRow("BE the first with BE") << "Emp" << false << ""
                                          << "b e"
                                          << "E3"
                                          << "BE" << none << QList<int>();
    QTest::newRow("BELLA the first with BELLA") << "Emp" << false << ""
                                                << "b e l l a"
                                                << "E30"
                                                << "BELLA" << none << QList<int>();
    QTest::newRow("no BER: R alone, the first R") << "Emp" << false << ""
                                                  << "b e r"
                                                  << "R7"
                                                  << "R" << none << QList<int>();
    QTest::newRow("no BEQ nor Q: the selection stays") << "Emp" << false << ""
                                                       << "b e q"
                                                       << "E3"
                                                       << "Q" << none << QList<int>();
    QTest::newRow("small letters search as capitals") << "Emp" << false << ""
                                                      << "b e l"
                                                      << "E3"
                                                      << "BEL" << none << QList<int>();
    // A capital typed with Shift comes after a Shift key of its own, which starts the text anew.
    QTest::newRow("B alone") << "Emp" << false << ""
                             << "B"
                             << "E2"
                             << "B" << none << QList<int>();
    QTest::newRow("each Shift restarts") << "Emp" << false << ""
                                         << "B E"
                                         << "E2"
                                         << "E" << none << QList<int>();
    QTest::newRow("Shift alone restarts the text") << "Emp" << false << ""
                                                   << "b Shift"
                                                   << "E2"
                                                   << "\x10" << none << QList<int>();
    QTest::newRow("the letter after Shift starts anew") << "Emp" << false << ""
                                                        << "b Shift r"
                                                        << "R7"
                                                        << "R" << none << QList<int>();
    QTest::newRow("arrows never change the text") << "Emp" << false << ""
                                                  << "b Down Up Down"
                                                  << "E3"
                                                  << "B" << none << QList<int>();
    QTest::newRow("a space is a character") << "Emp" << false << ""
                                            << "z Space"
                                            << "E6"
                                            << " " << none << QList<int>();
    // Employees by number: E1, E2, E3, E30, E5, E6, R7.
    QTest::newRow("by number: E3") << "Emp" << true << ""
                                   << "e 3"
                                   << "E3"
                                   << "E3" << none << QList<int>();
    QTest::newRow("by number: E30") << "Emp" << true << ""
                                    << "e 3 0"
                                    << "E30"
                                    << "E30" << none << QList<int>();
    QTest::newRow("by number: keypad digits are digits") << "Emp" << true << ""
                                                         << "e Kp3 Kp0"
                                                         << "E30"
                                                         << "E30" << none << QList<int>();
    QTest::newRow("by number: R") << "Emp" << true << ""
                                  << "r"
                                  << "R7"
                                  << "R" << none << QList<int>();
    QTest::newRow("Enter in the employee window: dialog, then a search for Enter")
        << "Emp" << false << ""
        << "b Enter"
        << "E2"
        << "\r" << QStringList { "FEmpAM" } << QList<int>();
    // Projects by description: Berlin office, Bridge, Canal.
    QTest::newRow("projects: BR") << "Prj" << false << ""
                                  << "b r"
                                  << "P1"
                                  << "BR" << none << QList<int>();
    QTest::newRow("projects by number: P3") << "Prj" << true << ""
                                            << "p 3"
                                            << "P3"
                                            << "P3" << none << QList<int>();
    QTest::newRow("Enter in the project window: dialog, text unchanged")
        << "Prj" << false << ""
        << "b r Enter"
        << "P1"
        << "BR" << QStringList { "FPrjAm" } << QList<int>();
    // Activities by number: 1, 2, 12, 30, 120.
    QTest::newRow("activities 1 then 2 select 12") << "Act" << true << ""
                                                   << "1 2"
                                                   << "12"
                                                   << "12" << none << QList<int>();
    QTest::newRow("activities on the keypad") << "Act" << true << ""
                                              << "Kp1 Kp2"
                                              << "12"
                                              << "12" << none << QList<int>();
    QTest::newRow("no 13: 3 alone, not found, stays") << "Act" << true << ""
                                                      << "1 3"
                                                      << "1"
                                                      << "3" << none << QList<int>();
    QTest::newRow("no 302: 2 alone selects 2") << "Act" << true << ""
                                               << "3 0 2"
                                               << "2"
                                               << "2" << none << QList<int>();
    QTest::newRow("no 12 but 120 current: the text stays 12") << "Act" << true << "120"
                                                              << "1 2"
                                                              << "120"
                                                              << "12" << none << QList<int> { 1, 12 };
    QTest::newRow("a letter is no number: it starts anew") << "Act" << true << ""
                                                           << "1 a"
                                                           << "1"
                                                           << "A" << none << QList<int>();
    QTest::newRow("Enter in the activity window: dialog, then a search for Enter")
        << "Act" << true << ""
        << "1 2 Enter"
        << "12"
        << "\r" << QStringList { "FActAm" } << QList<int>();
    // Activities by description: Build, Design, Review, Support, Travel.
    QTest::newRow("activities by description: SU") << "Act" << false << ""
                                                   << "s u"
                                                   << "120"
                                                   << "SU" << none << QList<int>();
}

void TestKeystrokeSearch::searchTable()
{
    QFETCH(QString, window);
    QFETCH(bool, byNumber);
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, current);
    QFETCH(QString, text);
    QFETCH(QStringList, dialogs);
    QFETCH(QList<int>, absent);
    for (int code : absent)
        f.exec(QStringLiteral("DELETE FROM Act WHERE ACTCOD = ?"), { code });
    ReferenceListWindow* w = this->window(window);
    qdb::Table* table = window == QLatin1String("Emp") ? FData->TabEmp
        : window == QLatin1String("Prj")               ? FData->TabPrj
                                                       : FData->TabAct;
    qdb::Field* number = table->fields().front();
    if (byNumber)
        QTest::mouseClick(w->findChild<QLabel*>(QStringLiteral("Label2")), Qt::LeftButton);
    if (!start.isEmpty())
        QVERIFY(table->locate(number->fieldName(), start));
    w->grid()->setFocus();
    press(w->grid(), keys);
    QCOMPARE(number->asString(), current);
    QCOMPARE(visible(w->searchText()), visible(text));
    QCOMPARE(opened, dialogs);
    // The grid shows the current record as its selected row.
    QCOMPARE(w->grid()->currentIndex().row(), table->recNo() - 1);
}

void TestKeystrokeSearch::searchTextBelongsToTheWindowClass()
{
    auto emp = std::make_unique<TFEmp>();
    auto prj = std::make_unique<TFPrj>();
    press(emp->grid(), QStringLiteral("b"));
    press(prj->grid(), QStringLiteral("c"));
    QCOMPARE(emp->searchText(), QStringLiteral("B"));
    QCOMPARE(prj->searchText(), QStringLiteral("C"));
    // A new employee window starts empty; the project windows keep theirs for the whole run.
    auto emp2 = std::make_unique<TFEmp>();
    QCOMPARE(emp->searchText(), QString());
    auto prj2 = std::make_unique<TFPrj>();
    QCOMPARE(prj2->searchText(), QStringLiteral("C"));
    press(prj2->grid(), QStringLiteral("a"));
    QCOMPARE(prj->searchText(), QStringLiteral("CA"));
}

void TestKeystrokeSearch::popupShortcutsDoNotReachTheSearch()
{
    ReferenceListWindow* w = window(QStringLiteral("Emp"));
    w->activateWindow();
    w->grid()->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(w));
    press(w->grid(), QStringLiteral("b"));
    QTest::keyClick(w->grid(), Qt::Key_Insert);
    QTest::keyClick(w->grid(), Qt::Key_F2);
    QCOMPARE(opened, (QStringList { "FEmpAM", "FEmpAM" }));
    QCOMPARE(w->searchText(), QStringLiteral("B"));
    QCOMPARE(FData->TabEmp->state(), qdb::Dataset::State::Browse);
}

QTEST_MAIN(TestKeystrokeSearch)
#include "tst_keystrokesearch.moc"
