// The cipher component as the windows see it.  <windows.h> maps the names
// EncryptFile and DecryptFile to the system's own file-encryption calls,
// which would rename the component's operations in this program's half
// only; the macros go before the component is declared.
#pragma once

#include <windows.h>

#undef EncryptFile
#undef DecryptFile

#include "cryptlib/cryptlib.h"
