#pragma once
// Messages put together from a reason someone else worded (an engine's, a
// file's, a lower layer's) and the sentence saying what it meant here.

#include <QString>

namespace platform {

// The reason, then the sentence, with one mark between them: a reason that
// ends its sentence keeps its stop and the sentence follows it; any other
// reason loses a trailing pause mark and is joined by "，". Either part may
// be empty.
QString reasonThen(const QString& reason, const QString& sentence);

} // namespace platform
