#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>

namespace qdb {
class EngineError;
}
namespace Ui {
class TFDBErreur;
}

// The database error dialog: what the user was doing, a plain explanation of the engine's
// refusal, and the whole error chain behind "Details".
class TFDBErreur : public QDialog {
    Q_OBJECT
public:
    static constexpr int ShortHeight = 165; // header, texts and buttons
    static constexpr int LongHeight = 303;  // with the technical listing

    explicit TFDBErreur(QWidget* parent = nullptr);
    ~TFDBErreur() override;

    // Line 1, line 2 (replaced by our own explanation for the errors ordinary use causes) and
    // the listing of the chain.
    void fill(const qdb::EngineError& error, const QString& context, const QString& second);

    // The explanation shown for a first-entry code, empty for codes we have none for.
    static QString explanation(quint16 code);
    static QStringList listing(const qdb::EngineError& error);

    int Tag = 0; // 1 while the listing is shown
    QTimer* Timer1;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void BitBtn2Click();
    void Timer1Timer();
    void setClientHeight(int height);

    std::unique_ptr<Ui::TFDBErreur> ui;
};

// Shows the error dialog modally for an engine refusal; returns when the user closes it.
void ShowDbError(const qdb::EngineError& error, const QString& context, const QString& second);
