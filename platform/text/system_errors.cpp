#include "platform/text/system_errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDevice>
#include <cerrno>

namespace platform {

QString systemErrorReason(int e) {
    switch (e) {
    case kNotAPlainFile: return QStringLiteral("这不是一个普通文件(是设备、管道等)");
    case 0: return QStringLiteral("没有出错");
    case EPERM: return QStringLiteral("系统不允许这样操作");
    case EACCES: return QStringLiteral("没有访问的权限");
    case ENOENT: return QStringLiteral("文件或文件夹不存在");
    case ENOTDIR: return QStringLiteral("路径中有一项不是文件夹");
    case EISDIR: return QStringLiteral("这是一个文件夹,不是文件");
    case EEXIST: return QStringLiteral("文件已经存在");
    case ENOTEMPTY: return QStringLiteral("文件夹不是空的");
    case ENOSPC: return QStringLiteral("磁盘已满");
    case EDQUOT: return QStringLiteral("超出了磁盘配额");
    case EFBIG: return QStringLiteral("文件太大");
    case EROFS: return QStringLiteral("磁盘是只读的,不能写入");
    case ENAMETOOLONG: return QStringLiteral("文件名或路径太长");
    case EBUSY: return QStringLiteral("文件或设备正在使用中");
    case ETXTBSY: return QStringLiteral("文件正在使用中");
    case EAGAIN: return QStringLiteral("文件暂时不能使用,请稍后再试");
    case EIO: return QStringLiteral("磁盘读写出错");
    case EMFILE:
    case ENFILE: return QStringLiteral("打开的文件太多");
    case ENOMEM: return QStringLiteral("内存不足");
    case EXDEV: return QStringLiteral("不能在两个磁盘之间移动文件");
    case ELOOP: return QStringLiteral("路径中的链接太多");
    case EINVAL: return QStringLiteral("文件名或操作不合法");
    case EBADF: return QStringLiteral("文件没有打开");
    case ENODEV:
    case ENXIO: return QStringLiteral("设备不存在");
    case ENOTSUP: return QStringLiteral("这个磁盘不支持这种操作");
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ETIMEDOUT: return QStringLiteral("网络上的文件不能访问");
    case EINTR: return QStringLiteral("操作被中断");
    case ENOLCK:
    case EDEADLK: return QStringLiteral("文件被锁定");
    case ECANCELED: return QStringLiteral("操作已取消");
    default: break;
    }
    return QStringLiteral("系统错误(代码%1)").arg(e);
}

QString folderErrorReason(const QString& folder, int e) {
    return QStringLiteral("文件夹 %1 不能写入: %2").arg(QDir::toNativeSeparators(folder), systemErrorReason(e));
}

QString systemErrorReason(const std::error_code& code) {
    if (code.category() == std::generic_category() || code.category() == std::system_category())
        return systemErrorReason(code.value());
    return QStringLiteral("系统错误(代码%1)").arg(code.value());
}

namespace {

// Qt's own texts for failures of a file it writes whole, with what they mean.
int errnoOfQtText(const QString& text) {
    const auto is = [&](const char* context, const char* source) {
        const QString t = QCoreApplication::translate(context, source);
        const qsizetype at = t.indexOf(QLatin1String("%1"));
        if (at < 0)
            return text == t;
        return text.startsWith(t.left(at)) && text.endsWith(t.mid(at + 2)) && text.size() > t.size() - 2;
    };
    if (is("QSaveFile", "Filename refers to a directory"))
        return EISDIR;
    if (is("QSaveFile", "Existing file %1 is not writable"))
        return EACCES;
    if (is("QSaveFile", "Writing canceled by application"))
        return ECANCELED;
    return 0;
}

// The errno whose system text `text` is, as Qt words it now (with the
// translations it has loaded), whole or at its end ("Cannot create a.rtf for
// output: No such file or directory"); 0 when none is.
int errnoOfText(const QString& text) {
    if (text.isEmpty())
        return 0;
    int found = 0;
    qsizetype longest = 0;
    for (int e = 1; e < 134; ++e) {
        const QString system = qt_error_string(e);
        if (system == text)
            return e;
        if (system.size() > longest && text.endsWith(QLatin1String(": ") + system)) {
            found = e;
            longest = system.size();
        }
    }
    return found ? found : errnoOfQtText(text);
}

QString reasonOfKind(QFileDevice::FileError kind) {
    switch (kind) {
    case QFileDevice::NoError: return QString();
    case QFileDevice::ReadError: return QStringLiteral("读取时出错");
    case QFileDevice::WriteError: return QStringLiteral("写入时出错");
    case QFileDevice::FatalError: return QStringLiteral("文件操作出现严重错误");
    case QFileDevice::ResourceError: return QStringLiteral("磁盘已满或系统资源不足");
    case QFileDevice::OpenError: return QStringLiteral("文件不能打开");
    case QFileDevice::AbortError: return QStringLiteral("操作已取消");
    case QFileDevice::TimeOutError: return QStringLiteral("操作超时");
    case QFileDevice::RemoveError: return QStringLiteral("文件不能删除");
    case QFileDevice::RenameError: return QStringLiteral("文件不能改名");
    case QFileDevice::PositionError: return QStringLiteral("文件不能定位");
    case QFileDevice::ResizeError: return QStringLiteral("文件不能改变大小");
    case QFileDevice::PermissionsError: return QStringLiteral("没有访问的权限");
    case QFileDevice::CopyError: return QStringLiteral("文件不能复制");
    case QFileDevice::UnspecifiedError: break;
    }
    return QStringLiteral("文件操作没有成功");
}

} // namespace

QString systemTextReason(const QString& systemText) {
    if (const int e = errnoOfText(systemText))
        return systemErrorReason(e);
    return QStringLiteral("文件操作没有成功");
}

QString fileErrorReason(const QIODevice& file) {
    if (const int e = errnoOfText(file.errorString()))
        return systemErrorReason(e);
    if (const auto* f = qobject_cast<const QFileDevice*>(&file))
        return reasonOfKind(f->error());
    return QStringLiteral("文件操作没有成功");
}

} // namespace platform
