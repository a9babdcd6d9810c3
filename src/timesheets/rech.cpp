#include "rech.h"
#include "ui_rech.h"

#include "Cal.h"
#include "Data.h"
#include "DialogService.h"
#include "EngineError.h"
#include "ErrorReporter.h"
#include "WindowHeader.h"
#include "NoteSearch.h"
#include "Res.h"
#include "Tem.h"
#include "TitlesColour.h"

#include <QApplication>
#include <algorithm>
#include <QElapsedTimer>
#include <QPainter>

TFRech* FRech = nullptr;

namespace {

// Events are let through at least this often during a search (and Stop acts within it); once
// per entry would spend more time in the event loop than in the search.
constexpr int EventSliceMs = 40;

} // namespace

TFRech::TFRech(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(std::make_unique<Ui::TFRech>())
    , m_cds(new qdb::MemTable(this))
    , m_souCds(new qdb::DataSource(this))
{
    ui->setupUi(this);
    FRech = this;
    // The design's 11-pixel base font: the layout's positions are measured for it.
    QFont base(QStringLiteral("MS Sans Serif"));
    base.setPixelSize(11);
    setFont(base);
    setProperty("helpContext", HelpContext);
    m_cds->setObjectName(QStringLiteral("CDS"));
    m_souCds->setObjectName(QStringLiteral("SouCDS"));
    m_souCds->setDataSet(m_cds);

    WindowHeader::setUp(ui->Panel1, ui->Image1, ui->Label2);
    ui->Anim->setKind(qui::Animation::Kind::FileSearch);

    ui->DBCtrlGrid1->setDataSource(m_souCds);
    ui->DBCtrlGrid1->setRowCount(6);
    ui->DBCtrlGrid1->setPanelHeight(34);
    ui->DBCtrlGrid1->setPanelTextFields({ QStringLiteral("TemDat"), QStringLiteral("EmpNom"), QStringLiteral("PrjDes") });
    ui->DBCtrlGrid1->setPaintPanel([this](QPainter& p, const QRect& r, int, bool) {
        auto text = [this](const char* name) { return m_cds->fieldByName(QString::fromLatin1(name))->displayText(); };
        QFont small = font();
        small.setPixelSize(11);
        p.setFont(small);
        p.drawText(QRect(r.x() + 8, r.y() + 2, 65, 13), Qt::AlignLeft | Qt::AlignVCenter, text("TemDat"));
        p.drawText(QRect(r.x() + 80, r.y() + 2, 153, 13), Qt::AlignLeft | Qt::AlignVCenter, text("EmpNom"));
        p.drawText(QRect(r.x() + 80, r.y() + 18, 153, 13), Qt::AlignLeft | Qt::AlignVCenter, text("PrjDes"));
    });

    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFRech::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFRech::BitBtn2Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &TFRech::BitBtn3Click);
    connect(ui->DBCtrlGrid1, &qui::DBCtrlGrid::doubleClicked, this, &TFRech::DBCtrlGrid1DblClick);

    resetResults();
    FormCreate();
    connect(FData, &TFData::systemParametersApplied, this, &TFRech::applyTitlesColour);
}

TFRech::~TFRech()
{
    m_running = false;
    ++m_generation;
    if (FRech == this)
        FRech = nullptr;
}

void TFRech::FormCreate()
{
    setWindowTitle(Res::AppTitle);
    move(0, 0);
    resize(274, 410);
}

void TFRech::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyTitlesColour();
}

void TFRech::applyTitlesColour()
{
    WindowHeader::paint(ui->Label2, WindowHeader::titlesColour());
}

void TFRech::resetResults()
{
    m_cds->close();
    m_cds->clearFieldDefs();
    m_cds->addFieldDef(QStringLiteral("EmpCod"), qdb::FieldType::String, 12);
    m_cds->addFieldDef(QStringLiteral("TemCod"), qdb::FieldType::Integer);
    m_cds->addFieldDef(QStringLiteral("TemDat"), qdb::FieldType::Date);
    m_cds->addFieldDef(QStringLiteral("EmpNom"), qdb::FieldType::String, 35);
    m_cds->addFieldDef(QStringLiteral("PrjDes"), qdb::FieldType::String, 35);
    m_cds->createDataSet();
    m_cds->open();
}

void TFRech::BitBtn1Click()
{
    const QString memo = ui->Memo1->toPlainText();
    if (memo.isEmpty()) {
        qui::DialogService::instance().message(this, QStringLiteral("Warning ..."),
            QStringLiteral("Please, enter keywords for your search."), qui::Icon::Warning, qui::Buttons::Ok);
        return;
    }
    QStringList keywords;
    for (const QString& line : memo.split(QLatin1Char('\n')))
        keywords << NoteSearch::keyword(line);
    const bool anyCondition = std::any_of(keywords.cbegin(), keywords.cend(), [](const QString& k) { return !k.isEmpty(); });

    // A Find pressed during a search starts anew: the interrupted search sees the new generation
    // and ends as soon as control comes back to it.
    const quint64 generation = ++m_generation;
    m_running = true;
    ++m_searching;
    ui->Anim->play();
    resetResults();

    TFData& d = *FData;
    // The entry's texts in the table's field order, the billable state through its wording.
    const QList<const qdb::Field*> fields = { d.TabTemTmpTEMCOD, d.TabTemTmpTEMDAT, d.TabTemTmpTEMNBRHEU,
        d.TabTemTmpEMPCOD, d.TabTemTmpACTCOD, d.TabTemTmpTEMNOT, d.TabTemTmptemfacdes, d.TabTemTmpPRJCOD,
        d.TabTemTmptemnbrheufac, d.TabTemTmptemnbrheunonfac, d.TabTemTmpempnom, d.TabTemTmpprjdes,
        d.TabTemTmpactdes };
    qdb::Field* resEmpCod = m_cds->fieldByName(QStringLiteral("EmpCod"));
    qdb::Field* resTemCod = m_cds->fieldByName(QStringLiteral("TemCod"));
    qdb::Field* resTemDat = m_cds->fieldByName(QStringLiteral("TemDat"));
    qdb::Field* resEmpNom = m_cds->fieldByName(QStringLiteral("EmpNom"));
    qdb::Field* resPrjDes = m_cds->fieldByName(QStringLiteral("PrjDes"));

    qdb::Table& tem = *d.TabTemTmp;
    NoteSearch::EntryTextBuilder entryText(fields);
    bool interrupted = false;
    try {
        tem.refresh();
        tem.first();
        QElapsedTimer slice;
        slice.start();
        while (!tem.eof()) {
            if (slice.elapsed() >= EventSliceMs) {
                QCoreApplication::processEvents();
                slice.restart();
            }
            if (generation != m_generation || !tem.active()) {
                interrupted = true;
                break;
            }
            if (!m_running)
                break;
            const bool found = !anyCondition || NoteSearch::matches(entryText.foldedText(), keywords);
            if (found) {
                m_cds->append();
                resEmpCod->setValue(d.TabTemTmpEMPCOD->value());
                resTemCod->setValue(d.TabTemTmpTEMCOD->value());
                resEmpNom->setValue(d.TabTemTmpempnom->value());
                resPrjDes->setValue(d.TabTemTmpprjdes->value());
                resTemDat->setValue(d.TabTemTmpTEMDAT->value());
                m_cds->post();
            }
            tem.next();
        }
    } catch (const qdb::EngineError& e) {
        // The tables closed under the search (the program ending) or a read failed: stop here.
        if (generation == m_generation)
            qui::reportError(e);
    }
    --m_searching;
    if (!interrupted)
        ui->Anim->stop();
}

void TFRech::BitBtn3Click() { m_running = false; }

void TFRech::BitBtn2Click() { hide(); }

void TFRech::DBCtrlGrid1DblClick()
{
    if (m_cds->isEmpty())
        return;
    const QString emp = m_cds->fieldByName(QStringLiteral("EmpCod"))->asString();
    const QDate date = m_cds->fieldByName(QStringLiteral("TemDat"))->asDate();
    const int entry = m_cds->fieldByName(QStringLiteral("TemCod"))->asInteger();
    FData->TabEmp->locate(QStringLiteral("EMPCOD"), emp);
    if (FCal) {
        FCal->setDate(date);
        FCal->MonthCalendar1Click();
    }
    FData->TabTem->locate(QStringLiteral("TEMCOD"), entry);
}
