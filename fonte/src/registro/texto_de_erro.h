// How errors and values are written inside log messages, apart from the
// platform: HRESULTs, Win32 codes, GUIDs, booleans, and an error's message
// text joined with its code. The Windows part (texto_de_erro_windows.h) finds
// the message text; these functions only shape it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace norva {

// An HRESULT's 32 bits, as the platform's signed HRESULT holds them.
using CodigoHr = std::int32_t;

inline constexpr std::uint32_t BASE_HRESULT_WIN32 = 0x80070000;  // severity + FACILITY_WIN32
inline constexpr std::uint32_t MASCARA_DO_CODIGO_WIN32 = 0xFFFF;

// As the platform's HRESULT_FROM_WIN32 macro: a code greater than 0 (read as
// signed) becomes 0x80070000 | (code & 0xFFFF); 0 and negative values (codes
// that already are HRESULTs) are left unchanged.
constexpr CodigoHr hresult_de_win32(std::uint32_t codigo) {
  const auto como_hr = static_cast<CodigoHr>(codigo);
  if (como_hr <= 0) return como_hr;
  return static_cast<CodigoHr>(BASE_HRESULT_WIN32 | (codigo & MASCARA_DO_CODIGO_WIN32));
}

// "0x" + 8 upper-case hexadecimal digits.
std::string texto_hexadecimal(std::uint32_t valor);

// "HRESULT(0x........)": an HRESULT on its own.
std::string texto_do_hresult(CodigoHr hr);

// `texto` without its trailing white space (tab to carriage return, blank).
std::string_view sem_espacos_finais(std::string_view texto);

// An error: its message text (trailing white space removed), a blank and
// "(0x........)"; only "0x........" when there is no text.
std::string texto_do_erro_com_mensagem(std::string_view mensagem, CodigoHr hr);

// The operating system's form for a Win32 error code: its message text
// (trailing white space removed), then " (os error N)"; "(os error N)" alone
// when there is no text. Every "(os error N)" the system writes comes from
// here (on Windows, texto_do_erro_do_sistema finds the text as well).
std::string texto_do_erro_do_sistema_com_mensagem(std::string_view mensagem, std::uint32_t codigo);

// "WIN32_ERROR(N)", N in unsigned decimal.
std::string texto_do_win32_error(std::uint32_t codigo);

// A GUID's fields, as the platform lays them out.
struct CamposDoGuid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
};

// 8-4-4-4-12 upper-case hexadecimal digits with hyphens, no braces.
std::string texto_do_guid(const CamposDoGuid& guid);

// "true" or "false".
constexpr std::string_view texto_do_booleano(bool valor) { return valor ? "true" : "false"; }

}  // namespace norva
