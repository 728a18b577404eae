#include "platform/text/message_text.h"

namespace platform {

namespace {

bool endsSentence(QChar c) {
    return c == u'.' || c == u'!' || c == u'?' || c == u'。' || c == u'！' || c == u'？';
}

bool isPause(QChar c) {
    return c == u',' || c == u'，' || c == u';' || c == u'；' || c == u':' || c == u'：' || c == u'、';
}

bool isAscii(QChar c) { return c.unicode() < 0x80; }

} // namespace

QString reasonThen(const QString& reason, const QString& sentence) {
    QString r = reason;
    while (!r.isEmpty() && r.back().isSpace())
        r.chop(1);
    QString s = sentence;
    // The joint is ours: a sentence worded to follow a comma loses it.
    while (!s.isEmpty() && (s.front().isSpace() || isPause(s.front())))
        s.remove(0, 1);
    if (r.isEmpty())
        return s;
    if (s.isEmpty())
        return r;
    if (endsSentence(r.back()))
        // A Latin stop wants a blank before the next sentence; a Chinese one does not.
        return r + (isAscii(r.back()) ? QStringLiteral(" ") : QString()) + s;
    while (!r.isEmpty() && isPause(r.back()))
        r.chop(1);
    return r.isEmpty() ? s : r + u'，' + s;
}

} // namespace platform
