// CryptoAPI's SHA-256 identifier, which the headers leave out below
// _WIN32_WINNT 0x0600 although the AES provider of XP SP3 and later has it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#ifndef ALG_SID_SHA_256
#define ALG_SID_SHA_256 12
#endif
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | ALG_SID_SHA_256)
#endif
