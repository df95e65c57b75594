// What the windows share: their one kind of message, and the look of their counters.
#pragma once

class QLabel;
class QString;
class QWidget;

namespace kit {

// Modal, the text as prompt, a single OK button, no icon, the application's title as caption.
void ShowPlainMessage(QWidget* parent, const QString& text);

// A progress counter: centred text in a single-line frame, in the colours of a text field
// (window background and window text), not in those of the form.
void ShowAsCounter(QLabel* label);

}  // namespace kit
