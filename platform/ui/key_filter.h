#pragma once
// Key presses of a text box as the old handlers take them: one signed code
// per typed character, which the handler may set to 0 to swallow the key.

#include <QChar>
#include <cstdint>
#include <functional>

class QWidget;

namespace platform {

// The signed code a key press gives: ASCII as itself (Enter 13, Backspace 8),
// a double-byte GBK character as its two bytes read as a negative 16-bit
// number, '?' for a character GBK cannot hold.
int16_t keyCodeOf(QChar c);

// Hands every key press of `box` that types a character to `handler`; a code
// set to 0 swallows the key, any other lets it through as typed. Keys that
// type nothing (arrows, Delete, Shift ...) never reach the handler.
void filterKeys(QWidget* box, std::function<void(int16_t& keyAscii)> handler);

} // namespace platform
