// Driving modal dialogs from tests: the test's steps run on the dialog's own thread, from
// inside its modal loop, once the dialog is up.
#pragma once

#include "framework/framework.h"

#include <functional>
#include <string>

// Runs dialog modally and calls step from its modal loop; step must end the dialog (or make
// the user's action that ends it). Yields DoModal's result.
INT_PTR RunModalWith(CDialog& dialog, std::function<void()> step);

// Calls step from the modal loop that is running next (a nested dialog's, for instance).
void AfterModalStarts(std::function<void()> step);
// Drops a step that has not run yet.
void CancelPendingStep();

// Sends the command of a click on control id to the dialog, as the control would.
void ClickControl(HWND dialog, int id);

// Has the dialog draw its owner-drawn button id, whole and in its normal state, into dc.
void DrawButtonInto(HWND dialog, int id, HDC dc);

// Serves this thread's messages (worker threads' calls among them) until done() holds; false
// when limitMs passed first.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 60000);

// The text of a list view's cell (up to 63 characters).
std::wstring CellText(HWND list, int row, int column);
