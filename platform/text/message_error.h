#pragma once
// A failure that carries one of the system's own messages, in Chinese, for
// the user: the database layer's, a file's, a printer's. Any other exception
// that reaches the event loop is a fault of the program itself.

#include <QString>
#include <stdexcept>

namespace platform {

class MessageError : public std::runtime_error {
public:
    explicit MessageError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    QString text() const { return text_; }
private:
    QString text_;
};

} // namespace platform
