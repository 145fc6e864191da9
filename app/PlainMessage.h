// Plain message boxes: the start-up, load and picture-read failures, with
// the application's title as caption and one OK button.
#pragma once

#include <QString>

#include <functional>

namespace kaocg_ui {

void ShowPlainMessage(const QString& text);

// Replaces how plain messages are shown (the tests record them instead of
// waiting for a click); an empty handler restores the message box.
void SetPlainMessageHandler(std::function<void(const QString&)> handler);

}  // namespace kaocg_ui
