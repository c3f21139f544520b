// The fiscal printer dialog BOXECF: the Win32 front end of the Sintegra job.
// Its procedure only reads the controls, calls the job and writes them back.
#pragma once

#include <windows.h>

// Dialog procedure of BOXECF: loads the printer library when it opens (and
// ends at once, after the library's message, when it cannot), generates on
// "&Gerar Sintegra", and releases the library on "&Fechar" or Esc. Returns
// TRUE for the messages it handles, FALSE for the others.
INT_PTR CALLBACK EcfDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// With generate 0, the start-up step (field limits, library version in 113);
// otherwise the generation from the fields. Returns 1 when the step or the
// generation succeeded, 0 after its message.
int SintegraMfd(HWND dialog, int generate);

// Gives control 2 and every control 100-399 the stock variable-pitch font.
void SetDialogFont(HWND dialog);

// Rewrites the CEP edit control id as '12345-678', or empties it when it holds
// no digit. Returns 1 when it holds a CEP, 0 when emptied.
int NormCep(HWND dialog, int id);

// Makes the control with the keyboard focus run its leave-field handling now
// (a loss and a gain of focus), so its field is normalised before a command
// reads it. Nothing happens when the focus is outside the dialog.
void CommitFocusedItem(HWND dialog);
