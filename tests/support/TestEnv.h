#pragma once

#include <QLocale>
#include <QString>
#include <QTemporaryDir>

// Isolates one test: a temporary directory for databases and the engine configuration, a
// pinned locale, and a settings store of its own.
class TestEnv {
public:
    explicit TestEnv(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates));
    ~TestEnv();

    QString path(const QString& name = QString()) const; // inside the temporary directory
    QString newDatabaseDir(const QString& name = QStringLiteral("db")); // created, empty
    QString configFile() const { return path(QStringLiteral("engine.cfg")); }

private:
    QTemporaryDir m_dir;
    QLocale m_previousLocale;
};

// QVERIFY for calls that throw qdb::EngineError: fails with the engine's message.
#define QVERIFY_ENGINE(statement)                                                                    \
    do {                                                                                             \
        try {                                                                                        \
            statement;                                                                               \
        } catch (const qdb::EngineError& e_) {                                                       \
            QFAIL(qPrintable(QStringLiteral("%1 threw: %2 (code 0x%3)")                              \
                                 .arg(QStringLiteral(#statement), e_.message())                      \
                                 .arg(e_.code(), 4, 16, QLatin1Char('0'))));                         \
        }                                                                                            \
    } while (false)

// Expects an EngineError whose first entry has this code.
#define QVERIFY_ENGINE_CODE(statement, expectedCode)                                                 \
    do {                                                                                             \
        bool thrown_ = false;                                                                        \
        try {                                                                                        \
            statement;                                                                               \
        } catch (const qdb::EngineError& e_) {                                                       \
            thrown_ = true;                                                                          \
            QCOMPARE(QString::number(e_.code(), 16), QString::number(quint16(expectedCode), 16));     \
        }                                                                                            \
        QVERIFY2(thrown_, "expected an engine error: " #statement);                                  \
    } while (false)
