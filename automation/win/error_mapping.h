// HRESULT / EXCEPINFO <-> run-time errors, as a late-bound call sees them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>

#include "automation/error.h"

namespace brisko::win {

// The run-time error of a failed call. DISP_E_EXCEPTION reads the EXCEPINFO (after calling
// its deferred fill-in): wCode when set, else an scode 0x800A00xx..0x800AFFFF as its low word,
// else the scode as a negative number; description and source as given, or the number's
// standard text. Other HRESULTs: DISP_E_UNKNOWNNAME and DISP_E_MEMBERNOTFOUND 438,
// DISP_E_TYPEMISMATCH 13, DISP_E_BADPARAMCOUNT 450, DISP_E_PARAMNOTOPTIONAL 449,
// DISP_E_NONAMEDARGS 446, DISP_E_OVERFLOW 6, DISP_E_BADINDEX 9, DISP_E_DIVBYZERO 11,
// E_OUTOFMEMORY 7, 0x800Axxxx xxxx; anything else the HRESULT as a negative number with the
// system's message, or "Automation error" when the system has none.
RuntimeError ErrorFromHResult(HRESULT hr, EXCEPINFO* info = nullptr);

// The HRESULT that carries an error number: a negative number is one already, 1..65535 give
// 0x800A0000 | n; any other number (0, above 65535) has no HRESULT and is carried as 5.
HRESULT HResultFromErrorNumber(std::int32_t number) noexcept;

// Reports an error to a COM caller: with an EXCEPINFO, fills it (wCode 0, scode, description,
// source) and answers DISP_E_EXCEPTION; without one, answers the number's HRESULT.
HRESULT ReportError(const RuntimeError& error, EXCEPINFO* info) noexcept;
// The same for the exception in flight.
HRESULT ReportCurrentError(EXCEPINFO* info) noexcept;

// For calls without an EXCEPINFO (vtable methods such as IConnectionPoint::Advise): the error
// as the thread's error object (SetErrorInfo: description, source) and its number's HRESULT.
HRESULT ReportErrorInfo(const RuntimeError& error) noexcept;
// The run-time error of such a call that failed with hr: number from hr as ErrorFromHResult
// gives it; description and source from the thread's error object when it has a description
// (the object is taken).
RuntimeError ErrorFromErrorInfo(HRESULT hr);

// The system's text for an HRESULT, "" when it has none.
std::wstring SystemMessage(HRESULT hr);

}  // namespace brisko::win
