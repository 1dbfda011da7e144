// Texts in the program's language: every sentence a user reads comes from the string table by
// id, with its placeholders, and is filled in here, never glued from pieces in the code.
#pragma once
#include <windows.h>
#include <initializer_list>

// The longest text the string table holds, its terminator included.
const int TextSize = 256;

// Copies text `id` into buffer (size counts characters, terminator included) and returns its
// length; an id the table lacks gives an empty text.
int LoadText(UINT id, wchar_t *buffer, int size);

// Loads text `id` and puts args[0] where it says %1, args[1] for %2, up to %9; "%%" is one %.
// Translations may order the placeholders as their language needs. Never writes past size: a
// result that does not fit ends at the last whole character that does. Returns its length.
int FormatText(wchar_t *buffer, int size, UINT id, std::initializer_list<const wchar_t *> args);
