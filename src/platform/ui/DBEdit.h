#pragma once

#include <QLineEdit>

namespace qdb
{
class DataSource;
class Field;
}

namespace qui
{

class FieldLink;

// A one-line edit box showing a field of its data source's current record. It writes what the
// user typed when it loses the focus or on Enter, putting the dataset in edit state first, and
// only when the text changed; Escape gives the stored text back. A refused write is reported
// (reportError) and the stored text shown again.
//
// The field decides what may be typed: at most its size for text fields, and for numbers only
// what a number of its type can be written with (a 32-bit integer; a float in the locale's
// notation, exponent allowed).
class DBEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum class CharCase { Normal, Upper, Lower };

    explicit DBEdit(QWidget* parent = nullptr);
    ~DBEdit() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    void setDataField(const QString& name);
    QString dataField() const;
    qdb::Field* field() const;

    // Typed (and pasted) letters become capitals (Upper) or small letters (Lower).
    void setCharCase(CharCase charCase);
    CharCase charCase() const { return m_charCase; }

    // Writes pending typing now (a window calls it before posting from a tool button, which
    // takes no focus). Returns false when the write was refused.
    bool updateRecord();
    // Whether the text differs from what the field holds.
    bool isPending() const { return text() != m_shown; }

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void applyField(const qdb::Field* field);

    FieldLink* m_link;
    CharCase m_charCase = CharCase::Normal;
    QString m_shown; // the text last taken from the field
    int m_validatorType = -1; // field type the validator was made for
};

} // namespace qui
