#include "records/QYset.h"

#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"
#include "records/core/Tavisk.h"
#include "records/core/records_database.h"

#include <QCloseEvent>
#include <QLabel>

QYset::QYset(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("QYset"));
    setWindowTitle(QStringLiteral("区域设置"));
    platform::resizeTwips(*this, 5400, 4680);
    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    DataGrid1 = platform::buildControl<platform::db::DataGrid>(this, "DataGrid1", 120, 120, 5160, 3300);
    Label1 = platform::buildControl<QLabel>(this, "Label1", 120, 3540, 5160, 300,
                                  QStringLiteral("ID：  系统对区域的识别码，3个字符，不得相同。"));
    Label2 = platform::buildControl<QLabel>(this, "Label2", 120, 3840, 5160, 300, QStringLiteral("名称： 也就是地名，不多于8个字。"));
    Label3 = platform::buildControl<QLabel>(this, "Label3", 120, 4140, 5160, 300,
                                  QStringLiteral("距学校： 与学校间的距离，单位可认为是公里。"));
}

QYset::~QYset() = default;

void QYset::Form_Load() {
    const RecordsState& s = Tavisk::state();
    Adodc1->setConnectionString(Tavisk::connectionText(s.DatabasePath, s.DatabasePassword));
    Adodc1->setCommandType(8);
    Adodc1->setRecordSource(records::kAreaTable);
    Adodc1->refresh();
    platform::db::Recordset* rs = Adodc1->recordset();
    if (rs && rs->recordCount() == 0) {
        const QStringList fields = {QStringLiteral("ID"), QStringLiteral("名称"), QStringLiteral("距学校")};
        platform::db::Transaction t(*Adodc1->database());
        rs->addNew(fields, {QStringLiteral("001"), QStringLiteral("长安街"), 5});
        rs->addNew(fields, {QStringLiteral("002"), QStringLiteral("南大街"), 2});
        rs->addNew(fields, {QStringLiteral("003"), QStringLiteral("杏花村"), 20});
        t.commit();
        rs->moveFirst();
    }
    DataGrid1->setDataSource(Adodc1);
    DataGrid1->setAllowAddNew(true);
    DataGrid1->rebind();
}

bool QYset::Form_Unload() {
    if (unloaded_)
        return true;
    DataGrid1->commitEditor();
    platform::db::Recordset* rs = Adodc1->recordset();
    if (!rs) {
        unloaded_ = true;
        return true;
    }
    try {
        if (rs->isDirty() || rs->isNewRow())
            rs->update();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, {}, platform::MsgIcon::Warning);
        // Another program holds the file for a moment: the window stays open
        // with the edit, stored when it is closed again.
        if (e.kind() == platform::db::DbError::Busy)
            return false;
        rs->cancelUpdate();
    }
    unloaded_ = true;
    try {
        platform::db::Transaction t(*Adodc1->database());
        if (rs->recordCount() > 0)
            for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                if (rs->value(QStringLiteral("名称")).isNull())
                    rs->deleteCurrent();
        t.commit();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
    Adodc1->close();
    return true;
}

void QYset::closeEvent(QCloseEvent* event) {
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}
