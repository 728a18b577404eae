#include "grades/frame/form2_design.h"

namespace form2 {

namespace {

std::vector<ControlDesign> makeControls() {
    using K = Kind;
    std::vector<ControlDesign> c = {
        // Panels; their size follows the window.
        {"Frame1_0", K::Frame, "", "", Laid, None, "要获得帮助,请按F1或者使用帮助菜单."},
        {"Frame1_1", K::Frame, "", "", Laid, Hidden},
        {"Frame1_2", K::Frame, "", "", Laid, Hidden},
        {"Frame1_3", K::Frame, "", "", Laid, Hidden},
        {"Frame1_4", K::Frame, "", "", Laid, Hidden},
        {"Frame1_5", K::Frame, "", "", Laid, Hidden},
        {"Frame1_6", K::Frame, "", "", Laid, Hidden},
        {"Frame1_7", K::Frame, "", "", Laid, Hidden},
        {"Frame1_8", K::Frame, "", "", Laid, Hidden},

        // Panel buttons, disabled until the user has logged in.
        {"Command1", K::CommandButton, "", " 学生", Laid, Disabled, "输入或修改学生情况"},
        {"Command2", K::CommandButton, "", "教师", Laid, Disabled, "输入或修改教师的情况"},
        {"Command3", K::CommandButton, "", "考号", Laid, Disabled, "编写或查看全校的考号"},
        {"Command4", K::CommandButton, "", "总分", Laid, Disabled, "录入/修改本次考试时各科试卷上的总分数"},
        {"Command8", K::CommandButton, "", "成绩", Laid, Disabled, "录入/修改每个同学的各科成绩"},
        {"Command5", K::CommandButton, "", "计算", Laid, Disabled, "只有计算后,才能排各次或查看总分平均分"},
        {"Command6", K::CommandButton, "", "查看", Laid, Disabled, "查看全校同学的各科考试情况"},
        {"Command7", K::CommandButton, "", "绩分", Laid, Disabled, "查看教师的考绩分"},

        // Home panel.
        {"Label1", K::Label, "Frame1_0", "欢迎你进入", R(360, 360, 5655, 735)},
        {"Label2", K::Label, "Frame1_0", "", Laid},
        {"Text1", K::MultiLineTextBox, "Frame1_0",
         "一次考试的过程:\n"
         "1. 数据刷新(清除上次考试的成绩)\n"
         "2. 学生: 输入或修改各班学生\n"
         "3. 考号: 编写考号、考室和座位, 打印考号\n"
         "4. 总分: 录入各科试卷的总分\n"
         "5. 成绩: 录入每个同学的成绩\n"
         "6. 教师: 输入教师及其任课情况\n"
         "7. 计算, 然后查看、打印成绩和教师考绩分",
         Laid},
        {"Label3", K::Label, "Frame1_0", "要获得帮助,请按F1或者使用帮助菜单.", Laid},
        {"Label5", K::Label, "Frame1_0", "", Laid},
    };
    return c;
}

std::vector<MenuDesign> makeMenus() {
    return {
        {"MenuFile", "文件(&F)", {
            {"outsj2", "导出成绩到Excel"},
            {"outsj3", "导出考号到Excel"},
            {"menuOUTtxt", "导出到文本文件"},
            {"kon6", "-"},
            {"MenuPrintKH", "打印考号"},
            {"MenuPrintCJ", "打印成绩"},
            {"MenuPrintZDY", "自定义打印"},
            {"Menukong", "-"},
            {"menu12", "退出(&E)"},
        }},
        {"MenuEDIT", "编辑(&E)", {
            {"MenuStudent", "学生"},
            {"Menuteacher", "教师"},
            {"MenuKh", "考号"},
            {"MenuZf", "总分"},
            {"MenuCj", "成绩"},
            {"MenuJs", "计算"},
            {"MenuNull0", "-"},
            {"Menu_HDXS", "核对学生"},
            {"MenuUPstudent", "高级学生管理"},
            {"MenuEmpt", "-"},
            {"MenuEditAll", "全部编辑"},
            {"MenuXueJi", "Pellomir", false},
        }},
        {"MeuLook", "查看(&L)", {
            {"MenuCk", "学生成绩"},
            {"MenuJf", "教师考绩分"},
            {"kon1", "-"},
            {"menucolor", "彩色", true, true},
        }},
        {"menuSJ", "数据(&D)", {
            {"outsj1", "备分数据"},
            {"menuin1", "导入本系统的数据"},
            {"menuin2", "导入外部数据"},
            {"menuin3", "导入文本"},
            {"menuJIanca", "检查数据完整性"},
            {"AddBan", "增加班"},
            {"DeleBan", "删除班"},
            {"Menu_Addlj", "增加年级"},
            {"Menu_Dellj", "减少年级"},
            {"Menukong2", "-"},
            {"MenuOpenOther", "打开其他库"},
        }},
        {"MenuTs", "特殊(&A)", {
            {"MakeHTM", "生成网页"},
            {"kon4", "-"},
            {"MenuYiQian", "以前成绩", false},
            {"ResetZero", "数据刷新"},
            {"kon3", "-"},
            {"RestKH", "重编考号"},
            {"fenban", "分班"},
            {"kon2", "-"},
            {"MenuSuper", "锁定系统"},
            {"Menukon", "-"},
            {"RestRK", "清空任课情况"},
        }},
        {"Help", "帮助(&H)", {
            {"helpuser", "使用流程"},
            {"MenuHowtouse", "如何使用..."},
            {"kon5", "-"},
            {"about", "关于..."},
        }},
    };
}

} // namespace

const std::vector<ControlDesign>& controlDesigns() {
    static const std::vector<ControlDesign> designs = makeControls();
    return designs;
}

const std::vector<MenuDesign>& menuDesigns() {
    static const std::vector<MenuDesign> menus = makeMenus();
    return menus;
}

} // namespace form2
