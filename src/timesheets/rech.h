#pragma once

#include "HelpContexts.h"
#include <QWidget>

#include <memory>

namespace Ui {
class TFRech;
}
namespace qdb {
class DataSource;
class MemTable;
}

// The note search: lists every timesheet entry whose texts hold all the keyword lines. It stays
// on top and lets the user work meanwhile; Close only hides it and a running search goes on.
class TFRech : public QWidget {
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::NoteSearch;

    explicit TFRech(QWidget* parent = nullptr);
    ~TFRech() override;

    Ui::TFRech* form() const { return ui.get(); }
    qdb::MemTable* CDS() const { return m_cds; }
    qdb::DataSource* SouCDS() const { return m_souCds; }
    bool running() const { return m_running; }
    bool searching() const { return m_searching > 0; }

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void DBCtrlGrid1DblClick();
    void applyTitlesColour();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void resetResults();

    std::unique_ptr<Ui::TFRech> ui;
    qdb::MemTable* m_cds;
    qdb::DataSource* m_souCds;
    bool m_running = false;
    int m_searching = 0;
    quint64 m_generation = 0; // a new Find ends the search it interrupts
};

extern TFRech* FRech;
