// The progress window: a small modeless window with a text and a bar, shown
// while the document loads and while every face is reset. It is pumped only
// by its steps, never by an event loop of its own.
#pragma once

#include <QString>

class QWidget;
class QLabel;
class QProgressBar;
class CS13KaoCgEditApp;

// Opens the progress window, or returns the open one unchanged (its text
// and range stay). Returns null when it cannot be made.
QWidget* CreateProgressWindow(QWidget* parent, const QString& text, int range);

// Advances the application's progress window by one and repaints it at once.
void StepProgressWindow(CS13KaoCgEditApp& app);

// Closes the application's progress window, if one is open.
void CloseProgressWindow(CS13KaoCgEditApp& app);

// Position of the bar when the last progress window was closed.
int LastClosedProgressPosition();

// The open progress window's parts, for the tests; null when none is open.
QWidget* FindProgressWindow();
QLabel* ProgressWindowText(QWidget* w);
QProgressBar* ProgressWindowBar(QWidget* w);
