#include "platform/ui/system_print_queue.h"

#include <QByteArray>
#include <QLibrary>
#include <QPrinter>

namespace platform {

namespace {

// The few calls of the CUPS library that Qt's print support does not pass
// on, bound when first needed: wherever Qt prints through CUPS the library
// is loaded already, and where it is missing nothing can be asked and every
// job is taken as accepted. The two structures are CUPS's stable ABI.
struct CupsOption {
    char* name;
    char* value;
};
struct CupsDest {
    char* name;
    char* instance;
    int isDefault;
    int optionCount;
    CupsOption* options;
};
using GetNamedDest = CupsDest* (*)(void* http, const char* name, const char* instance);
using GetOption = const char* (*)(const char* name, int count, CupsOption* options);
using FreeDests = void (*)(int count, CupsDest* dests);
using LastError = int (*)();

// IPP status codes below this one report success.
constexpr int kFirstIppError = 0x0100;

class CupsQueue final : public PrintQueue {
public:
    CupsQueue() {
        QLibrary cups(QStringLiteral("cups"), 2);
        if (!cups.load())
            return;
        getNamedDest_ = reinterpret_cast<GetNamedDest>(cups.resolve("cupsGetNamedDest"));
        getOption_ = reinterpret_cast<GetOption>(cups.resolve("cupsGetOption"));
        freeDests_ = reinterpret_cast<FreeDests>(cups.resolve("cupsFreeDests"));
        lastError_ = reinterpret_cast<LastError>(cups.resolve("cupsLastError"));
    }

    bool acceptsJobs(const QPrinter& printer) override {
        if (!asks(printer) || !getNamedDest_ || !getOption_ || !freeDests_)
            return true;
        // Qt names a queue's instance after a slash; CUPS wants them apart.
        const QString full = printer.printerName();
        const QByteArray name = full.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
        const QByteArray instance = full.section(QLatin1Char('/'), 1).toLocal8Bit();
        CupsDest* dest = getNamedDest_(nullptr, name.constData(), instance.isEmpty() ? nullptr : instance.constData());
        if (!dest)
            return false;   // the queue is gone, or the print service does not answer
        const char* accepting = getOption_("printer-is-accepting-jobs", dest->optionCount, dest->options);
        const bool accepts = !accepting || qstrcmp(accepting, "false") != 0;
        freeDests_(1, dest);
        return accepts;
    }

    bool tookLastJob(const QPrinter& printer) override {
        if (!asks(printer) || !lastError_)
            return true;
        // Qt hands the job to CUPS on this thread as the painter ends, and
        // drops the answer; CUPS keeps it as the thread's last status.
        return lastError_() < kFirstIppError;
    }

private:
    static bool asks(const QPrinter& printer) {
        return printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty();
    }

    GetNamedDest getNamedDest_ = nullptr;
    GetOption getOption_ = nullptr;
    FreeDests freeDests_ = nullptr;
    LastError lastError_ = nullptr;
};

} // namespace

PrintQueue& systemPrintQueue() {
    static CupsQueue queue;
    return queue;
}

} // namespace platform
