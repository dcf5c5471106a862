// Checks a dialog template from a source that cannot be trusted before the dialog manager reads
// it: the dialog manager follows the item count and the strings wherever they lead.
#pragma once

#include <windows.h>

#include <cstddef>

// Whether the template (DLGTEMPLATE or DLGTEMPLATEEX, starting DWORD-aligned) has every field
// of its header, its font and each of its items, strings terminated, within size bytes, and
// carries DS_SETFONT, so that the font fields the dialog manager reads are really there.
bool IsCompleteFontedDialogTemplate(const void* bytes, size_t size);

// Whether the template starts as a DLGTEMPLATEEX does (version 1, signature 0xFFFF) rather than
// as a DLGTEMPLATE.
bool IsExtendedDialogTemplate(const void* bytes, size_t size);
