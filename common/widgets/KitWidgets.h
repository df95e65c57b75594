// What the windows share: their one kind of message, the look of their counters, and
// what Return does on their buttons.
#pragma once

class QLabel;
class QPushButton;
class QString;
class QWidget;

namespace kit {

// Modal, the text as plain text (never read as markup: it may quote a file's name), a single OK
// button, no icon, the application's title as caption.
void ShowPlainMessage(QWidget* parent, const QString& text);

// The text as the box shows it: the blank before the last word of each line cannot break, so
// that wrapping never leaves one word alone on a paragraph's last line.
QString KeepLastWordsTogether(const QString& text);

// A progress counter: text centred across, from the top, in a single-line frame, in the colours
// of a text field (window background and window text), not in those of the form.
void ShowAsCounter(QLabel* label);

// Return and the keypad's Enter press `button` while it has the focus, as Space does. A disabled
// button gets no keys, so nothing happens then.
void PressOnReturn(QPushButton* button);

}  // namespace kit
