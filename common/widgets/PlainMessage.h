// The one kind of message the windows show: modal, the text as prompt, a single OK button, no
// icon, and the application's title as caption.
#pragma once

class QString;
class QWidget;

namespace kit {

void ShowPlainMessage(QWidget* parent, const QString& text);

}  // namespace kit
