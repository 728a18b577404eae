#include "platform/ui/fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {
namespace {

// Serif CJK stands in for the Song and clerical styles, sans for Hei.
// There is no clerical-script font among the installed ones; the serif is closest.
const QStringList kSerif = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                            QStringLiteral("Droid Sans Fallback")};
const QStringList kSans = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
                           QStringLiteral("Droid Sans Fallback")};

} // namespace

void installFontSubstitutions() {
    for (const char* name : {"宋体", "新宋体", "SimSun", "NSimSun", "隶书", "LiSu"})
        QFont::insertSubstitutions(QString::fromUtf8(name), kSerif);
    for (const char* name : {"黑体", "SimHei", "微软雅黑", "Microsoft YaHei"})
        QFont::insertSubstitutions(QString::fromUtf8(name), kSans);
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QFont f(QStringLiteral("宋体"));
        f.setPointSize(9);
        QApplication::setFont(f);
    }
}

QString resolvedFamily(const QString& name) { return QFontInfo(QFont(name)).family(); }

void installChineseQtTexts() {
    auto* app = QCoreApplication::instance();
    if (!app) return;
    auto* t = new QTranslator(app);
    if (t->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        t->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(t);
    else
        delete t;
}

} // namespace platform
