// Error text from the platform (Windows only): the message text of an
// HRESULT or Win32 code, from the error-information object or the system's
// message tables, shaped as texto_de_erro.h describes. All results are
// UTF-8. Each function throws only std::bad_alloc.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "fonte/src/registro/texto_de_erro.h"

namespace norva {

// Bit 28 of an HRESULT: the code is an NTSTATUS, whose text is in ntdll.dll's
// message table under the code without this bit.
inline constexpr DWORD BIT_DE_NTSTATUS = 0x10000000;  // FACILITY_NT_BIT

// The system's message for `codigo` (an HRESULT or a Win32 code), trailing
// white space removed; empty when the system has none.
std::string mensagem_do_sistema(DWORD codigo);

// The description of an error-information object, trailing white space
// removed; empty for a null object or no description.
std::string descricao_do_erro(IErrorInfo* informacao);

// An error as log lines write it: "<text> (0x........)", or "0x........"
// when there is no text. The text is the error-information object's
// description when it has one, otherwise the system's message for `hr`.
std::string texto_do_erro(HRESULT hr, IErrorInfo* informacao = nullptr);

// A Win32 error code in the operating system's form: "<system text> (os
// error N)", or "(os error N)" when the system has no text for it.
std::string texto_do_erro_do_sistema(DWORD codigo);

std::string texto_do_guid(const GUID& guid);

}  // namespace norva
