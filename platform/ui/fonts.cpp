#include "platform/ui/fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {
namespace {

// Song: line height 1.05 font sizes, Latin letters exactly half a Chinese
// character, as the design's metrics assume. Hei: half-width Latin too.
// There is no clerical-script font to be had; the brush-style Kai is nearest.
// Noto CJK covers the characters these lack.
const QStringList kFallback = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                               QStringLiteral("Droid Sans Fallback")};
const QStringList kSong = QStringList{QStringLiteral("AR PL UMing CN")} + kFallback;
const QStringList kHei = QStringList{QStringLiteral("WenQuanYi Zen Hei Mono"), QStringLiteral("Noto Sans CJK SC"),
                                     QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Droid Sans Fallback")};
const QStringList kKai = QStringList{QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UMing CN")} + kFallback;

} // namespace

QStringList substituteFamilies(const QString& name) {
    static const QHash<QString, const QStringList*> map = {
        {QStringLiteral("宋体"), &kSong},          {QStringLiteral("新宋体"), &kSong},
        {QStringLiteral("simsun"), &kSong},        {QStringLiteral("nsimsun"), &kSong},
        {QStringLiteral("黑体"), &kHei},           {QStringLiteral("simhei"), &kHei},
        {QStringLiteral("微软雅黑"), &kHei},       {QStringLiteral("microsoft yahei"), &kHei},
        {QStringLiteral("隶书"), &kKai},           {QStringLiteral("lisu"), &kKai},
    };
    const QStringList* families = map.value(name.trimmed().toLower());
    return families ? *families : QStringList();
}

void installFontSubstitutions() {
    for (const char* name : {"宋体", "新宋体", "SimSun", "NSimSun", "黑体", "SimHei", "微软雅黑", "Microsoft YaHei",
                             "隶书", "LiSu"}) {
        const QString n = QString::fromUtf8(name);
        QFont::removeSubstitutions(n);
        QFont::insertSubstitutions(n, substituteFamilies(n));
    }
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
