#include "DialogService.h"

#include "FileFilter.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>

namespace qui {

namespace {

DialogService* g_installed = nullptr;

QString withDefaultSuffix(const QString& fileName, const QString& defaultSuffix)
{
    QString suffix = defaultSuffix;
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (fileName.isEmpty() || suffix.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + suffix;
}

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// What a closed box means when no button was pressed: the "no harm" choice.
Answer dismissed(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel: return Answer::Cancel;
    }
    return Answer::Cancel;
}

} // namespace

DialogService& DialogService::instance()
{
    static WidgetDialogService real;
    return g_installed ? *g_installed : real;
}

void DialogService::setInstance(DialogService* service)
{
    g_installed = service;
}

// --- WidgetDialogService ---------------------------------------------------------------------

Answer WidgetDialogService::message(QWidget* parent, const QString& caption, const QString& text, Icon icon,
    Buttons buttons)
{
    QMessageBox box(toQt(icon), caption, text, toQt(buttons), parent);
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return dismissed(buttons);
    }
}

int WidgetDialogService::exec(QDialog* dialog)
{
    return dialog ? dialog->exec() : QDialog::Rejected;
}

QString WidgetDialogService::saveFileName(QWidget* parent, const QString& caption, const QString& directory,
    const QString& filter, QString* selectedFilter, const QString& defaultSuffix)
{
    const QString name = QFileDialog::getSaveFileName(parent, caption, directory, qtFilter(filter), selectedFilter);
    return withDefaultSuffix(name, defaultSuffix);
}

QString WidgetDialogService::openFileName(QWidget* parent, const QString& caption, const QString& directory,
    const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, directory, qtFilter(filter));
}

std::optional<QColor> WidgetDialogService::color(QWidget* parent, const QColor& initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

bool WidgetDialogService::print(QWidget* parent, QPrinter* printer)
{
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

// --- ScriptedDialogService -------------------------------------------------------------------

ScriptedDialogService::ScriptedDialogService()
    : m_previous(g_installed)
{
    setInstance(this);
}

ScriptedDialogService::~ScriptedDialogService()
{
    setInstance(m_previous);
}

Answer ScriptedDialogService::message(QWidget*, const QString& caption, const QString& text, Icon icon,
    Buttons buttons)
{
    messages.append({ caption, text, icon, buttons });
    if (!answers.isEmpty())
        return answers.takeFirst();
    // Ok is the only sensible "go ahead" where there is no Yes.
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

int ScriptedDialogService::exec(QDialog* dialog)
{
    if (!dialog)
        return QDialog::Rejected;
    dialogs.append(dialog->objectName().isEmpty() ? QString::fromLatin1(dialog->metaObject()->className())
                                                  : dialog->objectName());
    dialog->show();
    const int result = onDialog ? onDialog(dialog) : int(QDialog::Accepted);
    dialog->hide();
    return result;
}

QString ScriptedDialogService::saveFileName(QWidget*, const QString&, const QString&, const QString& filter,
    QString* selectedFilter, const QString& defaultSuffix)
{
    if (fileNames.isEmpty())
        return QString();
    const QString name = fileNames.takeFirst();
    if (selectedFilter && !selectedFilters.isEmpty()) {
        const int index = selectedFilters.takeFirst();
        const QStringList entries = qtFilterEntries(filter);
        if (index >= 1 && index <= entries.size())
            *selectedFilter = entries.at(index - 1);
    }
    return withDefaultSuffix(name, defaultSuffix);
}

QString ScriptedDialogService::openFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

std::optional<QColor> ScriptedDialogService::color(QWidget*, const QColor&)
{
    return colorAnswer;
}

bool ScriptedDialogService::print(QWidget*, QPrinter*)
{
    return printAnswer;
}

} // namespace qui
