#include "support/program_folder.h"

#include "common/program_state.h"
#include "common/settings_files.h"

TemporaryProgramFolder::TemporaryProgramFolder() {
    resetState();
    setProgramFolder(dir_.path());
}

TemporaryProgramFolder::~TemporaryProgramFolder() {
    resetState();
    setProgramFolder({});
}
