#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

namespace qdb
{
class DataSource;
class Dataset;
class Field;
}

namespace qui
{

// What every single-field control shares: the data source it follows, the field it shows by
// name, when to re-display, and how to write. The field is looked up by name at each use: a
// dataset's own fields are recreated whenever it opens.
class FieldLink : public QObject
{
public:
    // refresh shows the field's current value in the control.
    FieldLink(QWidget* control, std::function<void()> refresh);

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    void setFieldName(const QString& name);
    const QString& fieldName() const { return m_fieldName; }

    qdb::Dataset* dataset() const;
    // nullptr when there is no open dataset or it has no such field.
    qdb::Field* field() const;
    // Whether writing can be tried: an open dataset and a data field.
    bool canModify() const;

    // Puts the dataset in edit state when it browses, then runs write on the field. A refusal
    // (EngineError or any other exception) is reported; the control shows the field's value
    // again either way. Returns whether the write went through.
    bool write(const std::function<void(qdb::Field&)>& write);
    bool writing() const { return m_writing; }

    // Shows the current value again and keeps the control's accessible name up to date: the
    // field's display label, unless the control has a caption of its own (hasCaption) or the
    // program named it.
    void refresh();
    void setHasCaption(std::function<bool()> hasCaption) { m_hasCaption = std::move(hasCaption); }

private:
    void dataChange(qdb::Field* changed);
    void updateAccessibleName();

    QWidget* m_control;
    std::function<void()> m_refresh;
    std::function<bool()> m_hasCaption;
    QPointer<qdb::DataSource> m_source;
    QMetaObject::Connection m_dataConnection, m_stateConnection, m_destroyedConnection;
    QString m_fieldName;
    QString m_autoName; // the accessible name this link gave, replaced when the label changes
    bool m_writing = false;
};

} // namespace qui
