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

// The languages the program ships: index 0 is English, the resources' own; the others have
// their own string tables, made from the translators' catalogs.
int LanguageCount();
const wchar_t *LanguageName(int language);    // "de", "pt-BR": the Language setting's value
const wchar_t *LanguageOwnName(int language); // "Deutsch": how the language calls itself

// The longest Language setting, its terminator included.
const int LanguageNameSize = 17;

// The language to use: the setting's language when it names a shipped one, otherwise the first
// of the preferred UI languages (a list of names each ended by a zero, the list by another) that
// is shipped as it is or as its parent (de-AT as de, zh-HK as Chinese Traditional), otherwise
// English (0). names lists the shipped languages' names.
int ChooseLanguage(const wchar_t *setting, const wchar_t *preferred, const wchar_t *const *names, int count);

// Chooses the language from the setting and Windows' preferred UI languages; every text loaded
// from then on is in it. Returns the language chosen.
int SetLanguage(const wchar_t *setting);
int CurrentLanguage();

// Arabic, Hebrew and Persian windows are laid out right to left.
bool LanguageIsRightToLeft();

// Puts the current language's texts into a dialog created from template `templateId`, before
// anything else sets a text in it, and into a menu loaded from template `templateId`; again
// after a switch of language.
void TranslateDialog(HWND dialog, UINT templateId);
void TranslateMenu(HMENU menu, UINT templateId);
