#pragma once
// The queue of the system's print service (CUPS), asked by the printing
// service unless a test installed its own.

#include "platform/ui/printing.h"

namespace platform {

PrintQueue& systemPrintQueue();

} // namespace platform
