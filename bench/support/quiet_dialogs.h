#pragma once
// A dialog service for the benchmarks' windows: every message box is
// answered at once with OK, every other dialog is cancelled.

#include "platform/ui/dialogs.h"

namespace bench {

struct QuietDialogs : platform::DialogService {
    platform::MsgResult message(const QString&, platform::MsgButtons, const QString&, platform::MsgIcon) override {
        return platform::MsgResult::Ok;
    }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> openFile(const platform::FileRequest&) override { return {}; }
    std::optional<QString> saveFile(const platform::FileRequest&) override { return {}; }
    std::optional<QString> chooseFolder(const QString&, const QString&) override { return {}; }
    std::optional<platform::FontChoice> chooseFont(const platform::FontChoice&) override { return {}; }
    std::optional<platform::PrintRange> choosePrinter(QPrinter&, bool) override { return {}; }
    bool defaultPrinter(QPrinter&) override { return false; }
    int runModal(QDialog&) override { return 0; }
};

} // namespace bench
