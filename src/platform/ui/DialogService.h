#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace qui {

enum class Icon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// Every message box, modal dialog, file, colour and print dialog of the program goes through
// the current service. The program uses the real one; tests install a ScriptedDialogService,
// so that nothing ever waits for a user.
class DialogService {
public:
    virtual ~DialogService() = default;

    static DialogService& instance();
    // Installs a service (not owned); nullptr restores the real one.
    static void setInstance(DialogService* service);

    virtual Answer message(QWidget* parent, const QString& caption, const QString& text, Icon icon,
        Buttons buttons = Buttons::Ok) = 0;
    // Shows the dialog modally and returns its result (QDialog::Accepted / Rejected or done(n)).
    virtual int exec(QDialog* dialog) = 0;
    // Empty when cancelled. selectedFilter is in/out: the filter chosen.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& directory,
        const QString& filter, QString* selectedFilter, const QString& defaultSuffix) = 0;
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter) = 0;
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial) = 0;
    // The print dialog for this printer; false when cancelled.
    virtual bool print(QWidget* parent, QPrinter* printer) = 0;
};

// The real service: Qt's message boxes and dialogs.
class WidgetDialogService final : public DialogService {
public:
    Answer message(QWidget* parent, const QString& caption, const QString& text, Icon icon, Buttons buttons) override;
    int exec(QDialog* dialog) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
        QString* selectedFilter, const QString& defaultSuffix) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    bool print(QWidget* parent, QPrinter* printer) override;
};

// For tests: records every request and answers from a script; installs itself while it lives.
class ScriptedDialogService final : public DialogService {
public:
    struct Message {
        QString caption;
        QString text;
        Icon icon;
        Buttons buttons;
    };

    ScriptedDialogService();
    ~ScriptedDialogService() override;

    // Answers given to message boxes, in order; when the script runs out, Ok / Yes is answered.
    QList<Answer> answers;
    // Called for each modal dialog instead of running it; returns the dialog's result. The
    // dialog is shown (not modally) before the call so that it can be inspected and driven.
    // Without a handler the dialog is accepted.
    std::function<int(QDialog*)> onDialog;
    QStringList fileNames;          // answers of the file dialogs, in order; empty = cancelled
    QList<int> selectedFilters;     // 1-based filter index chosen in save dialogs
    std::optional<QColor> colorAnswer;
    bool printAnswer = false;

    QList<Message> messages;        // every message box asked for
    QStringList dialogs;            // object names (or class names) of the dialogs run

    Answer message(QWidget* parent, const QString& caption, const QString& text, Icon icon, Buttons buttons) override;
    int exec(QDialog* dialog) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
        QString* selectedFilter, const QString& defaultSuffix) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    bool print(QWidget* parent, QPrinter* printer) override;

private:
    DialogService* m_previous;
};

} // namespace qui
