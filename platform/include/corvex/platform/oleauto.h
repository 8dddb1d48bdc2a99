// Automation strings and variants: the runtime functions every client uses.
//
// A BSTR points just past a 32-bit prefix holding the length in bytes; the text
// is followed by a 16-bit NUL. The block is allocated with malloc and freed with
// free(prefix), so any client can free a BSTR it receives. A null BSTR reads as
// the empty string.
#pragma once

#include "corvex/platform/types.h"

extern "C" {
BSTR SysAllocString(const OLECHAR* psz);
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT cch);
BSTR SysAllocStringByteLen(const char* psz, UINT len);
void SysFreeString(BSTR bstrString);
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR bstr);

void VariantInit(VARIANT* pvarg);
// Releases a held object or frees a held string and leaves VT_EMPTY.
HRESULT VariantClear(VARIANT* pvarg);
// Clears dest, then copies src into it: adds a reference to an object, copies a string.
HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc);
// Converts src to vt, following a VT_BYREF reference first. Supports the types the
// dispatch layer needs: I2, I4, R8, DATE, BOOL, BSTR, UNKNOWN and DISPATCH.
// Answers DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW when the value does not convert.
HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, WORD wFlags, VARTYPE vt);
}
