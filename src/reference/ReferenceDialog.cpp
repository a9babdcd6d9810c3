#include "ReferenceDialog.h"

#include "WindowHeader.h"

#include "Database.h"
#include "Help.h"
#include "ImageLists.h"
#include "Res.h"
#include "Table.h"

#include <QKeyEvent>
#include <QShowEvent>

ReferenceDialog::ReferenceDialog(QWidget* parent, qdb::Table* table, int helpContext)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_table(table)
    , m_helpContext(helpContext)
{
    setProperty("helpContext", helpContext);
}

void ReferenceDialog::setUpDialog(QFrame* panel, QLabel* image, QLabel* title)
{
    setWindowTitle(Res::AppTitle);
    setWindowIcon(ImageLists::applicationIcon());
    WindowHeader::setUp(panel, image, title);
    setFixedSize(size());
    WindowHeader::centre(this);
}

QString ReferenceDialog::failure(const char* adding, const char* editing) const
{
    return QString::fromUtf8(Tag == 1 ? adding : editing);
}

void ReferenceDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void ReferenceDialog::BitBtn2Click()
{
    m_table->cancel();
    QDialog::reject();
}

void ReferenceDialog::reject()
{
    BitBtn2Click();
}

void ReferenceDialog::done(int result)
{
    Tag = 0;
    QDialog::done(result);
}

void ReferenceDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        qui::Help::showContext(m_helpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}
