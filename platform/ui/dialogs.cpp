#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace platform {
namespace {

QString g_programTitle = QStringLiteral("VantalooOrbisca");

QWidget* activeParent() { return QApplication::activeWindow(); }

QString orProgramTitle(const QString& title) { return title.isEmpty() ? programTitle() : title; }

class QtDialogService : public DialogService {
public:
    MsgResult message(const QString& text, MsgButtons buttons, const QString& title, MsgIcon icon) override {
        QMessageBox box(activeParent());
        box.setWindowTitle(orProgramTitle(title));
        box.setText(text);
        box.setTextFormat(Qt::PlainText);
        switch (icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        }

        // Buttons in the desktop's order; the first is the default one.
        std::vector<std::pair<QPushButton*, MsgResult>> made;
        QPushButton* cancel = nullptr;
        auto add = [&](const QString& caption, QMessageBox::ButtonRole role, MsgResult r) {
            QPushButton* b = box.addButton(caption, role);
            made.emplace_back(b, r);
            if (r == MsgResult::Cancel) cancel = b;
            return b;
        };
        const QString ok = QStringLiteral("确定"), cancelText = QStringLiteral("取消");
        const QString yes = QStringLiteral("是(&Y)"), no = QStringLiteral("否(&N)");
        switch (buttons) {
        case MsgButtons::Ok:
            cancel = add(ok, QMessageBox::AcceptRole, MsgResult::Ok);  // Esc closes it too
            break;
        case MsgButtons::OkCancel:
            add(ok, QMessageBox::AcceptRole, MsgResult::Ok);
            add(cancelText, QMessageBox::RejectRole, MsgResult::Cancel);
            break;
        case MsgButtons::YesNo:
            add(yes, QMessageBox::YesRole, MsgResult::Yes);
            add(no, QMessageBox::NoRole, MsgResult::No);
            break;
        case MsgButtons::YesNoCancel:
            add(yes, QMessageBox::YesRole, MsgResult::Yes);
            add(no, QMessageBox::NoRole, MsgResult::No);
            add(cancelText, QMessageBox::RejectRole, MsgResult::Cancel);
            break;
        case MsgButtons::RetryCancel:
            add(QStringLiteral("重试"), QMessageBox::AcceptRole, MsgResult::Retry);
            add(cancelText, QMessageBox::RejectRole, MsgResult::Cancel);
            break;
        case MsgButtons::AbortRetryIgnore:
            add(QStringLiteral("中止"), QMessageBox::RejectRole, MsgResult::Abort);
            add(QStringLiteral("重试"), QMessageBox::AcceptRole, MsgResult::Retry);
            add(QStringLiteral("忽略"), QMessageBox::AcceptRole, MsgResult::Ignore);
            break;
        }
        box.setDefaultButton(made.front().first);
        if (cancel) box.setEscapeButton(cancel);
        box.exec();

        for (const auto& [button, result] : made)
            if (box.clickedButton() == button) return result;
        // Closed without a button (only possible where Esc has no button to press).
        return buttons == MsgButtons::YesNo ? MsgResult::No
             : buttons == MsgButtons::AbortRetryIgnore ? MsgResult::Abort
             : MsgResult::Cancel;
    }

    QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
        QInputDialog d(activeParent());
        d.setInputMode(QInputDialog::TextInput);
        d.setWindowTitle(orProgramTitle(title));
        d.setLabelText(prompt);
        d.setTextValue(defaultText);
        d.setOkButtonText(QStringLiteral("确定"));
        d.setCancelButtonText(QStringLiteral("取消"));
        if (d.exec() != QDialog::Accepted) return {};
        return d.textValue();
    }

    std::optional<QString> openFile(const FileRequest& request) override {
        return fileDialog(request, QFileDialog::AcceptOpen, QStringLiteral("打开"));
    }

    std::optional<QString> saveFile(const FileRequest& request) override {
        return fileDialog(request, QFileDialog::AcceptSave, QStringLiteral("另存为"));
    }

    std::optional<QString> chooseFolder(const QString& title, const QString& initialFolder) override {
        QFileDialog d(activeParent(), title.isEmpty() ? QStringLiteral("浏览文件夹") : title, initialFolder);
        d.setFileMode(QFileDialog::Directory);
        d.setOption(QFileDialog::ShowDirsOnly, true);
        if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
        return d.selectedFiles().front();
    }

    std::optional<FontChoice> chooseFont(const FontChoice& initial) override {
        QFont f(initial.name);
        f.setPointSizeF(initial.size > 0 ? initial.size : 9);
        f.setBold(initial.bold);
        f.setItalic(initial.italic);
        f.setUnderline(initial.underline);
        f.setStrikeOut(initial.strikeout);
        QFontDialog d(f, activeParent());
        d.setWindowTitle(QStringLiteral("字体"));
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        const QFont c = d.selectedFont();
        FontChoice out = initial;
        out.name = c.family();
        out.size = c.pointSizeF();
        out.bold = c.bold();
        out.italic = c.italic();
        out.underline = c.underline();
        out.strikeout = c.strikeOut();
        return out;
    }

    bool choosePrinter(QPrinter& printer) override {
        QPrintDialog d(&printer, activeParent());
        // The windows print what they show: no page range to choose.
        d.setOption(QAbstractPrintDialog::PrintPageRange, false);
        d.setOption(QAbstractPrintDialog::PrintSelection, false);
        d.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        return d.exec() == QDialog::Accepted;
    }

    int runModal(QDialog& dialog) override { return dialog.exec(); }

private:
    static std::optional<QString> fileDialog(const FileRequest& request, QFileDialog::AcceptMode mode,
                                             const QString& defaultTitle) {
        QFileDialog d(activeParent(), request.title.isEmpty() ? defaultTitle : request.title);
        d.setAcceptMode(mode);
        d.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        d.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        const QStringList filters = qtNameFilters(request.filter);
        if (!filters.isEmpty()) {
            d.setNameFilters(filters);
            const int i = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex : 1;
            d.selectNameFilter(filters.at(i - 1));
        }
        if (!request.initialFolder.isEmpty()) d.setDirectory(request.initialFolder);
        if (!request.fileName.isEmpty()) {
            const QFileInfo preset(request.fileName);
            if (preset.isAbsolute()) d.setDirectory(preset.absolutePath());
            d.selectFile(preset.fileName());
        }
        if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
        return d.selectedFiles().front();
    }
};

QtDialogService& qtService() {
    static QtDialogService service;
    return service;
}

DialogService* g_service = nullptr;

} // namespace

DialogService& dialogs() { return g_service ? *g_service : qtService(); }

void setDialogService(DialogService* service) { g_service = service; }

void setProgramTitle(const QString& title) { g_programTitle = title; }

QString programTitle() { return g_programTitle; }

QStringList qtNameFilters(const QString& filter) {
    QStringList out;
    if (filter.isEmpty()) return out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString caption = parts.at(i);
        QStringList patterns = i + 1 < parts.size() ? parts.at(i + 1).split(u';', Qt::SkipEmptyParts)
                                                    : QStringList{QStringLiteral("*")};
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == u"*.*") p = QStringLiteral("*");
        }
        patterns.removeAll(QString());
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        out << caption + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out;
}

} // namespace platform
