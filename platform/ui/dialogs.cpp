#include "platform/ui/dialogs.h"

#include "platform/ui/fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace platform {
namespace {

QString g_programTitle = QStringLiteral("VantalooOrbisca");

QWidget* activeParent() { return QApplication::activeWindow(); }

QString orProgramTitle(const QString& title) { return title.isEmpty() ? programTitle() : title; }

// The desktop's font dialog also sets the colour; Qt's has none, so its font
// part sits in a dialog of our own beside a colour list.
class FontDialog : public QDialog {
public:
    FontDialog(const FontChoice& initial, QWidget* parent) : QDialog(parent), initial_(initial) {
        setWindowTitle(QStringLiteral("字体"));
        fonts_ = new QFontDialog(this);
        fonts_->setWindowFlags(Qt::Widget);
        fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        fonts_->setSizeGripEnabled(false);
        QFont f(resolvedFamily(initial.name.isEmpty() ? QStringLiteral("宋体") : initial.name));
        f.setPointSizeF(initial.size > 0 ? initial.size : 9);
        f.setBold(initial.bold);
        f.setItalic(initial.italic);
        f.setUnderline(initial.underline);
        f.setStrikeOut(initial.strikeout);
        fonts_->setCurrentFont(f);
        shownSize_ = fonts_->currentFont().pointSizeF();

        colours_ = new QComboBox(this);
        static const std::pair<const char*, QRgb> kColours[] = {
            {"黑色", 0x000000}, {"褐红色", 0x800000}, {"绿色", 0x008000}, {"橄榄色", 0x808000},
            {"深蓝色", 0x000080}, {"紫色", 0x800080}, {"深青色", 0x008080}, {"灰色", 0x808080},
            {"银色", 0xC0C0C0}, {"红色", 0xFF0000}, {"酸橙色", 0x00FF00}, {"黄色", 0xFFFF00},
            {"蓝色", 0x0000FF}, {"紫红色", 0xFF00FF}, {"水绿色", 0x00FFFF}, {"白色", 0xFFFFFF}};
        for (const auto& [name, rgb] : kColours) addColour(QString::fromUtf8(name), QColor(rgb));
        int at = colours_->findData(initial.color.isValid() ? initial.color : QColor(Qt::black));
        if (at < 0) {
            addColour(QStringLiteral("自定义"), initial.color);
            at = colours_->count() - 1;
        }
        colours_->setCurrentIndex(at);
        auto* label = new QLabel(QStringLiteral("颜色(&C):"), this);
        label->setBuddy(colours_);

        // The Song, Hei and Kai families here have one face each: bold and
        // italic are drawn from it, and the style list cannot offer them.
        bold_ = new QCheckBox(QStringLiteral("粗体(&B)"), this);
        italic_ = new QCheckBox(QStringLiteral("倾斜(&I)"), this);
        bold_->setChecked(initial.bold);
        italic_->setChecked(initial.italic);
        connect(fonts_, &QFontDialog::currentFontChanged, this, [this](const QFont& f) {
            const QStringList styles = QFontDatabase::styles(f.family());
            const QString family = f.family();
            auto hasFace = [&](bool wantBold) {
                for (const QString& st : styles)
                    if ((wantBold ? QFontDatabase::bold(family, st) : QFontDatabase::italic(family, st))) return true;
                return false;
            };
            if (hasFace(true)) bold_->setChecked(f.bold());
            if (hasFace(false)) italic_->setChecked(f.italic());
        });

        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

        auto* colourRow = new QHBoxLayout;
        colourRow->addWidget(bold_);
        colourRow->addWidget(italic_);
        colourRow->addSpacing(12);
        colourRow->addWidget(label);
        colourRow->addWidget(colours_);
        colourRow->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(fonts_);
        layout->addLayout(colourRow);
        layout->addWidget(buttons);
    }

    FontChoice choice() const {
        const QFont c = fonts_->currentFont();
        FontChoice out = initial_;
        out.name = systemName(c.family(), initial_.name);
        out.size = c.pointSizeF();
        // The dialog shows 10.5 as a whole size: left as shown, 10.5 stays.
        if (initial_.size > 0 && out.size == shownSize_) out.size = initial_.size;
        out.bold = bold_->isChecked();
        out.italic = italic_->isChecked();
        out.underline = c.underline();
        out.strikeout = c.strikeOut();
        out.color = colours_->currentData().value<QColor>();
        return out;
    }

private:
    void addColour(const QString& name, const QColor& colour) {
        QPixmap swatch(16, 12);
        swatch.fill(colour);
        colours_->addItem(QIcon(swatch), name, colour);
    }

    // The system's own name for a family that stands in for it, so that a
    // stored font setting stays the short, portable one.
    static QString systemName(const QString& family, const QString& initialName) {
        for (const QString& name : {initialName, QStringLiteral("宋体"), QStringLiteral("黑体"), QStringLiteral("隶书")})
            if (!name.isEmpty() && (name == family || resolvedFamily(name) == family)) return name;
        return family;
    }

    FontChoice initial_;
    double shownSize_ = 0;
    QFontDialog* fonts_ = nullptr;
    QComboBox* colours_ = nullptr;
    QCheckBox* bold_ = nullptr;
    QCheckBox* italic_ = nullptr;
};

// Where a box wraps a text it shows, and how tall that text may be beside
// the box's other parts (`otherLines` lines of them) on the screen.
struct TextRoom {
    int width = 0;
    int height = 0;
};

TextRoom textRoom(const QFont& font, int otherLines) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect area = screen->availableGeometry();
    const QFontMetrics fm(font);
    // A little narrower than a message box wraps its text, to be safe.
    return {std::min(area.width() / 2, 500) - 4 * fm.averageCharWidth(), area.height() - otherLines * fm.lineSpacing()};
}

// As much of `text` as fits `room` when wrapped at its width, ending in "……"
// when cut; the text itself when it fits.
QString fittedText(const QString& text, const QFont& font, const TextRoom& room) {
    const QFontMetrics fm(font);
    // Laid out as a label lays it out: tabs to their stops, long lines wrapped.
    const auto heightOf = [&](const QString& t) {
        QTextDocument doc;
        doc.setDefaultFont(font);
        doc.setDocumentMargin(0);
        doc.setTextWidth(room.width);
        doc.setPlainText(t);
        return doc.size().height();
    };
    if (heightOf(text) <= room.height)
        return text;
    const QStringList lines = text.split(u'\n');
    const auto cut = [&](qsizetype n) { return lines.mid(0, n).join(u'\n') + QStringLiteral("\n……"); };
    qsizetype low = 0, high = lines.size();   // the most lines that fit: at least low, fewer than high
    while (high - low > 1) {
        const qsizetype mid = (low + high) / 2;
        (heightOf(cut(mid)) <= room.height ? low : high) = mid;
    }
    return low > 0 ? cut(low)
                   : fm.elidedText(lines.front(), Qt::ElideRight,
                                   room.width * std::max(1, room.height / fm.lineSpacing() - 2) / 2);
}

// The parts of a message box other than its buttons.
void fillMessageBox(QMessageBox& box, const QString& text, const QString& title, MsgIcon icon) {
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

    // A text taller than the screen would push the buttons off it: the box
    // shows what fits and keeps the whole text under its details button.
    const TextRoom room = textRoom(box.font(), 12);   // margins, buttons, details
    if (room.width <= 0)
        return;
    const QString shown = fittedText(text, box.font(), room);
    if (shown == text)
        return;
    box.setText(shown);
    box.setDetailedText(text);
}

// Qt's input box shows its prompt as one unwrapped line: a long one (a list of
// every class) would make the box wider than the screen, its edit and buttons
// beyond it. Such a prompt wraps, and shows what fits.
void fitInputPrompt(QInputDialog& d, const QString& prompt) {
    auto* label = d.findChild<QLabel*>();
    if (!label)
        return;
    const TextRoom room = textRoom(label->font(), 10);   // the edit, the buttons, margins
    if (room.width <= 0)
        return;
    const QFontMetrics fm(label->font());
    bool wide = false;
    for (const QString& line : prompt.split(u'\n'))
        wide = wide || fm.horizontalAdvance(line) > room.width;
    const QString shown = fittedText(prompt, label->font(), room);
    if (!wide && shown == prompt)
        return;
    label->setText(shown);
    label->setWordWrap(true);
    label->setFixedWidth(room.width);
}

class QtDialogService : public DialogService {
public:
    MsgResult message(const QString& text, MsgButtons buttons, const QString& title, MsgIcon icon) override {
        return show(text, buttons, title, icon, {});
    }

    MsgResult messageWithDefault(const QString& text, MsgButtons buttons, const QString& title,
                                 MsgResult defaultButton) override {
        return show(text, buttons, title, MsgIcon::None, defaultButton);
    }

    MsgResult show(const QString& text, MsgButtons buttons, const QString& title, MsgIcon icon,
                   std::optional<MsgResult> defaultButton) {
        QMessageBox box(activeParent());
        fillMessageBox(box, text, title, icon);

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
        for (const auto& [button, result] : made)
            if (defaultButton && result == *defaultButton)
                box.setDefaultButton(button);
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
        fitInputPrompt(d, prompt);
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
        FontDialog d(initial, activeParent());
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return d.choice();
    }

    std::optional<PrintRange> choosePrinter(QPrinter& printer, bool offerSelection) override {
        QPrintDialog d(&printer, activeParent());
        d.setWindowTitle(QStringLiteral("打印"));
        // The windows print what they show: no page range to choose.
        d.setOption(QAbstractPrintDialog::PrintPageRange, false);
        d.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        d.setOption(QAbstractPrintDialog::PrintSelection, offerSelection);
        d.setPrintRange(offerSelection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
        if (d.exec() != QDialog::Accepted) return std::nullopt;
        return offerSelection && d.printRange() == QAbstractPrintDialog::Selection ? PrintRange::Selection
                                                                                   : PrintRange::All;
    }

    bool defaultPrinter(QPrinter& printer) override {
        QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            const QStringList names = QPrinterInfo::availablePrinterNames();
            if (names.isEmpty()) return false;
            info = QPrinterInfo::printerInfo(names.front());
        }
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(info.printerName());
        return true;
    }

    int runModal(QDialog& dialog) override { return dialog.exec(); }

private:
    static std::optional<QString> fileDialog(const FileRequest& request, QFileDialog::AcceptMode mode,
                                             const QString& defaultTitle) {
        QFileDialog d(activeParent(), request.title.isEmpty() ? defaultTitle : request.title);
        d.setAcceptMode(mode);
        d.setFileMode(mode == QFileDialog::AcceptOpen && !request.allowNewFile ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        d.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        const QList<NameFilter> types = fileTypes(request.filter);
        if (!types.isEmpty()) {
            QStringList captions;
            for (const NameFilter& t : types) captions << t.caption;
            d.setNameFilters(captions);
            // The dialog reads the patterns from the caption, where "*.*" would
            // miss files without an extension, and in a save dialog would turn
            // the typed name's extension into ".*": the file list gets our
            // patterns and the name keeps its extension.
            auto* files = d.findChild<QFileSystemModel*>();
            auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto typed = std::make_shared<QString>();
            if (name)
                QObject::connect(name, &QLineEdit::textChanged, &d, [typed](const QString& t) {
                    if (!t.endsWith(QLatin1String(".*"))) *typed = t;
                });
            auto apply = [&d, files, name, typed, types, captions] {
                const qsizetype i = captions.indexOf(d.selectedNameFilter());
                if (files && i >= 0) files->setNameFilters(types.at(i).patterns);
                if (name && name->text().endsWith(QLatin1String(".*"))) name->setText(*typed);
            };
            QObject::connect(&d, &QFileDialog::filterSelected, &d, apply);
            const int i = request.filterIndex >= 1 && request.filterIndex <= types.size() ? request.filterIndex : 1;
            d.selectNameFilter(captions.at(i - 1));
            apply();
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

QRect messageBoxGeometry(const QString& text, const QString& title, MsgIcon icon) {
    QMessageBox box;
    fillMessageBox(box, text, title, icon);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    // Laid out as shown, but not waited on.
    box.show();
    QApplication::processEvents();
    const QRect shown = box.frameGeometry();
    box.hide();
    return shown;
}

namespace {

QStringList splitPatterns(const QString& text) {
    QStringList out;
    for (const QString& p : text.split(QRegularExpression(QStringLiteral("[;, ]")), Qt::SkipEmptyParts))
        out << p.trimmed().toLower();
    out.removeAll(QString());
    return out;
}

// "Access数据库(*.mdb)" with "*.mdb": the caption ends with its own patterns.
bool namesPatterns(const QString& caption, const QString& patterns) {
    const QString c = caption.trimmed();
    const qsizetype open = c.lastIndexOf(u'(');
    if (!c.endsWith(u')') || open < 0) return false;
    QStringList named = splitPatterns(c.mid(open + 1, c.size() - open - 2));
    QStringList given = splitPatterns(patterns);
    named.sort();
    given.sort();
    return !given.isEmpty() && named == given;
}

} // namespace

QList<NameFilter> fileTypes(const QString& filter) {
    QList<NameFilter> out;
    if (filter.isEmpty()) return out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString caption = parts.at(i);
        const QString given = i + 1 < parts.size() ? parts.at(i + 1) : QString();
        QStringList patterns = given.split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == u"*.*") p = QStringLiteral("*");
        }
        patterns.removeAll(QString());
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        out << NameFilter{namesPatterns(caption, given) ? caption
                                                        : caption + QStringLiteral(" (") + patterns.join(u' ') + u')',
                          patterns};
    }
    return out;
}

} // namespace platform
