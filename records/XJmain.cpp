#include "records/XJmain.h"

#include "records/EditAll.h"
#include "records/QYset.h"
#include "records/XJAbout.h"
#include "records/XJNew.h"
#include "records/XJprint.h"
#include "records/XYOutDat.h"
#include "records/core/Tavisk.h"
#include "records/core/records_database.h"
#include "records/core/student_list.h"
#include "records/core/xjmain_layout.h"
#include "records/pictures.h"

#include "common/settings_files.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

void place(QWidget& w, const records::Rect& r) {
    platform::placeTwips(w, int(r.left), int(r.top), int(r.width), int(r.height));
}

} // namespace

namespace {

// Every cell of the student list is as large as a four-character name needs
// under its picture. A cell sized from the first item (as uniform items are)
// cut the longer names after it to "…", depending on the list's order.
QSize studentCellSize(const QListView& list) {
    const QFontMetrics fm(list.font());
    const int margin = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1);
    const int width = std::max({72, fm.horizontalAdvance(QStringLiteral("国国国国")) + margin + 4,
                                list.iconSize().width() + margin});
    const int height = std::max(60, list.iconSize().height() + fm.height() + 3 * margin);
    return {width, height};
}

class StudentCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const auto* list = qobject_cast<const QListView*>(option.widget);
        return list ? studentCellSize(*list) : QSize(72, 60);
    }
};

} // namespace

XJmain::XJmain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("XJmain"));
    setWindowTitle(QStringLiteral("VantalooPellomir系统"));
    buildMenus();
    buildControls();
    // A size for the normal state; the window opens maximised unless the profile says otherwise.
    resize(platform::twipsToPixels(9600), platform::twipsToPixels(7200));
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &XJmain::focusMoved);
}

XJmain::~XJmain() = default;

void XJmain::buildMenus() {
    auto addMenu = [this](QMenu* parent, const char* name, const char* caption) {
        QMenu* m = parent ? parent->addMenu(QString::fromUtf8(caption)) : menuBar()->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QString::fromUtf8(name));
        menus_.insert(m->objectName(), m);
        return m;
    };
    auto addItem = [this](QMenu* m, const char* name, const char* caption, void (XJmain::*handler)()) {
        QAction* a = m->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        items_.insert(a->objectName(), a);
        if (handler)
            connect(a, &QAction::triggered, this, handler);
        return a;
    };

    QMenu* file = addMenu(nullptr, "Menu1_F", "文件");
    addItem(file, "Menu_F_Exit", "退出", &XJmain::Menu_F_Exit_Click);
    QMenu* look = addMenu(nullptr, "Menu_LOOK", "查看");
    QAction* toolbarToggle = addItem(look, "Menu_L_GJ", "显示工具条", nullptr);
    toolbarToggle->setCheckable(true);
    // Qt turns the mark before it tells; the handler turns it itself.
    connect(toolbarToggle, &QAction::triggered, this, [this, toolbarToggle] {
        toolbarToggle->setChecked(!toolbarToggle->isChecked());
        Menu_L_GJ_Click();
    });
    QMenu* data = addMenu(nullptr, "Menu_D", "数据");
    addItem(data, "Menu_D_ChanKu", "改变库文件", nullptr);
    addItem(data, "Menu_D_Refe", "更新学籍库", &XJmain::Menu_D_Refe_Click);
    QMenu* system = addMenu(nullptr, "Menu2_S", "系统");
    addItem(system, "Menu2_SQ", "区域", &XJmain::Menu2_SQ_Click);
    QMenu* help = addMenu(nullptr, "Menu_Help", "帮助");
    addItem(help, "Menu_H_Note", "注意事项", &XJmain::Menu_H_Note_Click);
    addItem(help, "Menu_H_About", "关于", &XJmain::Menu_H_About_Click);

    // The popup is a menu of its own, never on the menu bar.
    auto* popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("PmeuST"));
    menus_.insert(popup->objectName(), popup);
    addItem(popup, "MenuPedit", "编辑", &XJmain::MenuPedit_Click);
    QMenu* add = addMenu(popup, "Menu_P_Add", "添加");
    items_.insert(QStringLiteral("Menu_P_Add"), add->menuAction());
    addItem(add, "Menu_P_Addban", "班", nullptr);
    addItem(add, "Menu_P_AddLj", "年级", nullptr);
    addItem(add, "Menu_P_Add_Stu", "学生", nullptr);
    addItem(add, "Menu_P_Addtea", "教师", nullptr);
    addItem(popup, "Menu_P_Del", "删除", nullptr);
    addItem(popup, "Menu_P_pro", "属性", nullptr);
}

void XJmain::buildControls() {
    client_ = new QWidget(this);
    setCentralWidget(client_);

    Toolbar1 = new QToolBar(client_);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (int i = 1; i <= 7; ++i) {
        QAction* a = Toolbar1->addAction(i == 6 ? QStringLiteral("导出数据") : i == 7 ? QStringLiteral("打印") : QString());
        a->setObjectName(QStringLiteral("Toolbar1_%1").arg(i));
        // The first five buttons have no action: they show as separators.
        a->setSeparator(i <= 5);
        connect(a, &QAction::triggered, this, [this, i] { Toolbar1_ButtonClick(i); });
        buttons_ << a;
    }
    Toolbar1->hide();

    TreeView1 = new QTreeWidget(client_);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->viewport()->installEventFilter(this);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setIndentation(14);
    // A long label scrolls rather than being cut in the narrow tree.
    TreeView1->setTextElideMode(Qt::ElideNone);
    TreeView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TreeView1->header()->setStretchLastSection(false);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        TreeView1_NodeClick(item);
        TreeView1_Click();
    });

    ListView1 = new QListWidget(client_);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->viewport()->installEventFilter(this);
    ListView1->installEventFilter(this);
    // Large pictures with the name below, as the students are best told apart.
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    ListView1->setUniformItemSizes(true);
    ListView1->setWordWrap(true);
    ListView1->setTextElideMode(Qt::ElideNone);
    ListView1->setItemDelegate(new StudentCellDelegate(ListView1));
    ListView1->setGridSize(studentCellSize(*ListView1));
    connect(ListView1, &QListWidget::itemClicked, this, [this] { ListView1_Click(); });
    connect(ListView1, &QListWidget::itemDoubleClicked, this, [this] { ListView1_DblClick(); });

    StatusBar1 = new QStatusBar(client_);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel2 = new QLabel(StatusBar1);
    StatusPanel2->setObjectName(QStringLiteral("StatusPanel2"));
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->addWidget(StatusPanel2, 1);

    Adodc1.setObjectName(QStringLiteral("Adodc1"));
}

QAction* XJmain::toolbarButton(int index) const {
    return index >= 1 && index <= buttons_.size() ? buttons_[index - 1] : nullptr;
}

bool XJmain::toolbarShown() const { return items_.value(QStringLiteral("Menu_L_GJ"))->isChecked(); }

bool XJmain::Form_Load() {
    RecordsState& s = Tavisk::state();
    startState_ = Qt::WindowMaximized;

    const auto located = records::ReadDatabaseLocation();
    if (const auto* failed = std::get_if<records::StartFailure>(&located)) {
        platform::dialogs().message(failed->message, platform::MsgButtons::Ok, failed->title);
        return false;
    }
    const auto& where = std::get<records::DatabaseLocation>(located);
    s.DatabasePath = where.path;
    s.DatabaseFolder = where.folder;
    s.DatabasePassword = where.password;

    const records::OpenOutcome opened = records::OpenRecordsDatabase(s.DatabasePath, s.DatabasePassword);
    if (opened.failure) {
        platform::dialogs().message(opened.failure->message, platform::MsgButtons::Ok, opened.failure->title);
        return false;
    }
    if (opened.studentsLeftOut > 0)
        platform::dialogs().message(records::leftOutMessage(opened.studentsLeftOut), platform::MsgButtons::Ok, {},
                                    platform::MsgIcon::Warning);

    s.SettingsFilePath = Tavisk::settingsFilePathFor(s.DatabaseFolder);
    if (!QFile::exists(s.SettingsFilePath))
        Tavisk::writeDefaultProfile(s.SettingsFilePath);
    restoreWindow();

    s.DatabaseConnectString = Tavisk::connectionText(s.DatabasePath, s.DatabasePassword);
    Adodc1.setConnectionString(s.DatabaseConnectString);
    Adodc1.setCommandType(8);
    try {
        records::loadRegions(Adodc1, s.Regions);
        BuildTree();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        return false;
    }
    return true;
}

void XJmain::restoreWindow() {
    const QString file = Tavisk::state().SettingsFilePath;
    QAction* toggle = items_.value(QStringLiteral("Menu_L_GJ"));
    // The toggle below reverses the mark, so it starts opposite to what is wanted.
    toggle->setChecked(Tavisk::ReadIni(file, Tavisk::kWindowSection, Tavisk::kToolKey) != QLatin1String("Yes"));
    Menu_L_GJ_Click();

    const QString state = Tavisk::ReadIni(file, Tavisk::kWindowSection, Tavisk::kStateKey);
    // Only the three states the window writes; anything else was typed by hand.
    if (state == QLatin1String("0"))
        startState_ = Qt::WindowNoState;
    else if (state == QLatin1String("1"))
        startState_ = Qt::WindowMinimized;
    else if (state == QLatin1String("2"))
        startState_ = Qt::WindowMaximized;
}

void XJmain::showAsLoaded() {
    setWindowState(startState_);
    show();
}

void XJmain::Menu_F_Exit_Click() { close(); }

void XJmain::Menu_L_GJ_Click() {
    QAction* toggle = items_.value(QStringLiteral("Menu_L_GJ"));
    toggle->setChecked(!toggle->isChecked());
    Toolbar1->setVisible(toggle->isChecked());
    Tavisk::WriteIni(Tavisk::state().SettingsFilePath, Tavisk::kWindowSection, Tavisk::kToolKey,
                     toggle->isChecked() ? QStringLiteral("Yes") : QStringLiteral("No"));
    Form_Resize();
}

void XJmain::Menu_D_Refe_Click() {
    showOwned<XJNew>();
}

void XJmain::Menu2_SQ_Click() {
    showOwned<QYset>();
}

void XJmain::Menu_H_Note_Click() {
    showOwned<HelpNote>();
}

void XJmain::Menu_H_About_Click() {
    showOwned<XJAbout>();
}

void XJmain::Toolbar1_ButtonClick(int index) {
    if (index == 6) {   // 导出数据
        showOwned<XYOutDat>();
    } else if (index == 7) {   // 打印
        if (!ownedWindow<XJprint>()) {
            // Without a list the preview says so and does not stay.
            auto* w = new XJprint(this);
            w->setAttribute(Qt::WA_DeleteOnClose);
            if (!w->Form_Load()) {
                delete w;
                return;
            }
        }
        showOwned<XJprint>();
    }
}

void XJmain::Form_Resize() {
    if (isMinimized())
        return;
    const double clientWidth = platform::pixelsToTwips(client_->width());
    const double clientHeight = platform::pixelsToTwips(client_->height());
    const int toolbarPixels = Toolbar1->sizeHint().height();
    const int statusPixels = StatusBar1->sizeHint().height();
    Toolbar1->setGeometry(0, 0, client_->width(), toolbarPixels);
    StatusBar1->setGeometry(0, client_->height() - statusPixels, client_->width(), statusPixels);

    const auto layout = records::layoutXJmain(clientWidth + records::kXJmainFrameWidth,
                                              clientHeight + records::kXJmainFrameHeight, toolbarShown(),
                                              platform::pixelsToTwips(toolbarPixels),
                                              platform::pixelsToTwips(StatusBar1->width()));
    if (layout.tree)
        place(*TreeView1, *layout.tree);
    if (layout.list)
        place(*ListView1, *layout.list);
    if (layout.panel1Width)
        StatusPanel1->setFixedWidth(platform::twipsToPixels(int(*layout.panel1Width)));
    if (layout.panel2Width)
        StatusPanel2->setMinimumWidth(std::max(0, platform::twipsToPixels(int(*layout.panel2Width)) - 16));
}

void XJmain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

QString XJmain::windowStateText() const {
    if (windowState() & Qt::WindowMinimized)
        return QStringLiteral("1");
    if (windowState() & Qt::WindowMaximized)
        return QStringLiteral("2");
    return QStringLiteral("0");
}

void XJmain::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Tavisk::WriteIni(Tavisk::state().SettingsFilePath, Tavisk::kWindowSection, Tavisk::kStateKey,
                     windowStateText());
}

void XJmain::closeEvent(QCloseEvent* event) {
    // The windows it owns close first, each with its own closing work (the
    // area editor stores its grid and drops nameless rows).
    // One that keeps an edit a busy file refused stays open, and so does this.
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isWindow() && w->isVisible() && !w->close()) {
            event->ignore();
            return;
        }
    Form_Unload();
    event->accept();
}

bool XJmain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
        ListView1->setGridSize(studentCellSize(*ListView1));
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == TreeView1->viewport())
            TreeView1_MouseUp(mouse->button(), mouse->position().toPoint());
        else if (watched == ListView1->viewport())
            ListView1_MouseUp(mouse->button(), mouse->position().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

void XJmain::TreeView1_MouseUp(Qt::MouseButton button, const QPoint& at) {
    if (button != Qt::RightButton)
        return;
    QTreeWidgetItem* node = TreeView1->itemAt(at);
    if (!node)
        return;
    TreeView1->setCurrentItem(node);
    // The roots have one-letter keys and no popup.
    if (node->data(0, Qt::UserRole).toString().size() > 1)
        menus_.value(QStringLiteral("PmeuST"))->popup(TreeView1->viewport()->mapToGlobal(at));
}

void XJmain::ListView1_MouseUp(Qt::MouseButton button, const QPoint& at) {
    if (button != Qt::RightButton)
        return;
    QListWidgetItem* item = ListView1->itemAt(at);
    if (!item)
        return;
    ListView1->setCurrentItem(item);
    menus_.value(QStringLiteral("PmeuST"))->popup(ListView1->viewport()->mapToGlobal(at));
}

// ---------------------------------------------------------------- tree and list

void XJmain::BuildTree() {
    TreeView1->clear();
    QHash<QString, QTreeWidgetItem*> byKey;
    for (const records::TreeNode& n : records::readSchoolTree(Adodc1)) {
        QTreeWidgetItem* parent = byKey.value(n.parentKey);
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView1);
        item->setText(0, n.text);
        item->setData(0, Qt::UserRole, n.key);
        item->setData(0, Qt::UserRole + 1, n.image);
        item->setIcon(0, records::recordsIcon(n.image));
        byKey.insert(n.key, item);
    }
}

QTreeWidgetItem* XJmain::node(const QString& key) const {
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            return *it;
    return nullptr;
}

QListWidgetItem* XJmain::listItem(const QString& key) const {
    for (int i = 0; i < ListView1->count(); ++i)
        if (ListView1->item(i)->data(Qt::UserRole).toString() == key)
            return ListView1->item(i);
    return nullptr;
}

QString XJmain::teacherListQuery(const QString& name) {
    Adodc1.setRecordSource(QStringLiteral("教师表"));
    Adodc1.refresh();
    platform::db::Recordset* rs = Adodc1.recordset();
    // A teacher removed in the grade program since the start lists nobody.
    if (!rs || rs->recordCount() == 0 || !rs->findValue(QStringLiteral("姓名"), name, 0, true))
        return {};
    return records::teacherQuery(records::teacherClasses(*rs));
}

void XJmain::TreeView1_NodeClick(QTreeWidgetItem* item) {
    if (!item)
        return;
    RecordsState& s = Tavisk::state();
    const QString key = item->data(0, Qt::UserRole).toString();
    const QChar kind = key.isEmpty() ? QChar() : key.front();
    if (kind == u'm') {
        const records::StructureNode node = records::structureOfKey(key);
        s.SelectedGrade = node.grade;
        s.SelectedClass = node.cls;
        s.ListQuery.clear();
        FillStudentList(node.grade, node.cls);
    } else if (kind == u'n') {
        const int at = s.Regions.find(key.mid(1));
        if (at > 0) {
            s.ListQuery = records::areaQuery(s.Regions.at(at).id);
        } else {
            s.ListQuery.clear();
            s.SelectedGrade.clear();
            s.SelectedClass.clear();
        }
        FillStudentList({}, {});
    } else if (kind == u'o') {
        const QString query = teacherListQuery(key.mid(1));
        if (!query.isEmpty()) {
            s.ListQuery = query;
            s.SelectedStudentId.clear();
        } else {
            s.ListQuery.clear();
            s.SelectedStudentId.clear();
            s.SelectedGrade.clear();
            s.SelectedClass.clear();
        }
        FillStudentList({}, {});
    } else {
        // A root: the list goes, its state stays for the next activation.
        ListView1->clear();
        StatusPanel2->clear();
    }
}

void XJmain::TreeView1_Click() {
    QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item)
        return;
    if (item->data(0, Qt::UserRole).toString().size() <= 1)
        StatusPanel1->clear();
    else
        StatusPanel1->setText(records::studentCount(ListView1->count()));
}

void XJmain::FillStudentList(const QString& grade, const QString& cls) {
    RecordsState& s = Tavisk::state();
    const QString g = platform::trimBlanks(grade);
    const QString c = platform::trimBlanks(cls);
    ListView1->clear();
    if (!s.ListQuery.isEmpty()) {
        Adodc1.setRecordSource(s.ListQuery);
    } else {
        if (g.isEmpty())
            return;
        Adodc1.setRecordSource(c.isEmpty() ? records::gradeQuery(g) : records::classQuery(g, c));
        s.ListQuery = Adodc1.recordSource();
    }
    Adodc1.refresh();

    static const QIcon icons[] = {records::recordsIcon(4), records::recordsIcon(5), records::recordsIcon(6),
                                  records::recordsIcon(7)};
    platform::db::Recordset* rs = Adodc1.recordset();
    const int id = rs ? rs->fieldIndex(QStringLiteral("STID")) : -1;
    const int name = rs ? rs->fieldIndex(QStringLiteral("姓名")) : -1;
    const int sex = rs ? rs->fieldIndex(QStringLiteral("性别")) : -1;
    const int post = rs ? rs->fieldIndex(QStringLiteral("职务")) : -1;
    ListView1->setUpdatesEnabled(false);
    if (rs && rs->recordCount() > 0 && id >= 0) {
        const int n = rs->recordCount();
        for (int row = 0; row < n; ++row) {
            const int image = records::studentImage(sex < 0 ? QVariant() : rs->valueAt(row, sex),
                                                    post < 0 ? QVariant() : rs->valueAt(row, post));
            auto* item = new QListWidgetItem(icons[image - 4], name < 0 ? QString() : rs->valueAt(row, name).toString());
            item->setData(Qt::UserRole, QStringLiteral("s") + rs->valueAt(row, id).toString());
            item->setData(Qt::UserRole + 1, image);
            ListView1->addItem(item);
        }
    }
    ListView1->setUpdatesEnabled(true);
    if (!s.SelectedStudentId.isEmpty())
        if (QListWidgetItem* item = listItem(QStringLiteral("s") + s.SelectedStudentId))
            ListView1->setCurrentItem(item);
}

void XJmain::ListView1_Click() {
    QListWidgetItem* item = ListView1->currentItem();
    if (ListView1->count() == 0 || !item || !item->isSelected())
        return;
    const QString id = item->data(Qt::UserRole).toString().mid(1);
    platform::db::Recordset* rs = Adodc1.recordset();
    if (rs && rs->recordCount() > 0 && rs->fieldIndex(QStringLiteral("STID")) >= 0 &&
        rs->findValue(QStringLiteral("STID"), id, 0, true))
        StatusPanel2->setText(records::studentDetails(*rs));
}

void XJmain::ListView1_DblClick() {
    QListWidgetItem* item = ListView1->currentItem();
    if (!item || !item->isSelected())
        return;
    Tavisk::state().SelectedStudentId = item->data(Qt::UserRole).toString().right(8);
    showEditor();
}

template <class W>
W* XJmain::ownedWindow() const {
    return findChild<W*>(QString(), Qt::FindDirectChildrenOnly);
}

template <class W>
W* XJmain::showOwned() {
    // A window still open keeps what it shows and is only brought forward.
    return platform::showModeless<W>(this, [this] {
        auto* w = new W(this);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->Form_Load();
        return w;
    });
}

EditAll* XJmain::editor() const { return ownedWindow<EditAll>(); }
QYset* XJmain::areaEditor() const { return ownedWindow<QYset>(); }
XJNew* XJmain::registerUpdate() const { return ownedWindow<XJNew>(); }
XYOutDat* XJmain::exportWindow() const { return ownedWindow<XYOutDat>(); }
XJprint* XJmain::printPreview() const { return ownedWindow<XJprint>(); }
XJAbout* XJmain::aboutWindow() const { return ownedWindow<XJAbout>(); }
HelpNote* XJmain::noteWindow() const { return ownedWindow<HelpNote>(); }

void XJmain::showEditor() {
    // An editor still open keeps its student or list and is only brought forward.
    showOwned<EditAll>();
}

QString XJmain::nodeQuery(const QString& key) {
    RecordsState& s = Tavisk::state();
    const QChar kind = key.isEmpty() ? QChar() : key.front();
    if (kind == u'm') {
        const records::StructureNode node = records::structureOfKey(key);
        if (node.grade.isEmpty())
            return {};
        return node.cls.isEmpty() ? records::gradeQuery(node.grade) : records::classQuery(node.grade, node.cls);
    }
    if (kind == u'n') {
        const int at = s.Regions.find(key.mid(1));
        return at > 0 ? records::areaQuery(s.Regions.at(at).id) : QString();
    }
    if (kind == u'o')
        return teacherListQuery(key.mid(1));
    return {};
}

void XJmain::MenuPedit_Click() {
    QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item)
        return;
    const QString key = item->data(0, Qt::UserRole).toString();
    // The node's own students, whatever the data control was last given.
    const QString query = nodeQuery(key);
    if (query.isEmpty())
        return;
    RecordsState& s = Tavisk::state();
    // An area's or a teacher's students have no grade level or class of their own.
    const records::StructureNode node = records::structureOfKey(key);
    s.SelectedGrade = node.grade;
    s.SelectedClass = node.cls;
    s.SelectedStudentId.clear();
    s.ListQuery = query;
    showEditor();
}

void XJmain::Form_Activate() {
    if (!QFile::exists(locatorFilePath())) {
        platform::dialogs().message(QStringLiteral("请先运行Orbisca,并保证本程序与Orbisca在同一文件夹."));
        close();
        QCoreApplication::quit();
        return;
    }
    const RecordsState& s = Tavisk::state();
    FillStudentList(s.SelectedGrade, s.SelectedClass);
}

void XJmain::focusMoved(QWindow* window) {
    // Menus, message boxes and dialogs are not windows of the program the user
    // goes between; only a change of the program's own window counts.
    if (!window || window->type() == Qt::Popup || window->type() == Qt::Dialog || window->type() == Qt::ToolTip)
        return;
    const bool back = window == windowHandle() && lastActive_ != window;
    lastActive_ = window;
    if (back && isVisible())
        Form_Activate();
}
