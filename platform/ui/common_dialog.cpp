#include "platform/ui/common_dialog.h"

#include "platform/ui/dialogs.h"

namespace platform {

bool CommonDialog::ShowOpen() { return show(false); }
bool CommonDialog::ShowSave() { return show(true); }

bool CommonDialog::show(bool save) {
    FileRequest request;
    request.title = DialogTitle;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.fileName = FileName;
    request.initialFolder = InitDir;
    request.confirmOverwrite = (Flags & OverwritePrompt) != 0;
    const std::optional<QString> chosen = save ? dialogs().saveFile(request) : dialogs().openFile(request);
    if (!chosen)
        return !CancelError;
    FileName = *chosen;
    return true;
}

} // namespace platform
