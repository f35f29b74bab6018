/* norva_escritor: feeds the Norva virtual camera from a desktop application.
 *
 * Plain C, so that C, C++, C#, Python (ctypes) and Rust can call it. Open a
 * camera's pipe, send 1920x1080 frames in any of the formats below at any
 * rate, close. A writer thread of the library serves every camera client
 * that connects (one pipe instance each) with the newest frame; a client
 * that reads slowly skips frames and never holds up the others or the
 * caller. Sending costs the caller one copy or conversion, never a wait for
 * a client.
 *
 * Every function returns a norva_escritor_erro. The thread's last failure is
 * described in one English line by norva_escritor_ultima_mensagem().
 * A handle stays safe to pass after norva_escritor_fechar(): every call then
 * answers NORVA_ESCRITOR_ERRO_FECHADO, and closing again does nothing.
 * All functions may be called from any thread.
 */
#ifndef NORVA_ESCRITOR_H
#define NORVA_ESCRITOR_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(NORVA_ESCRITOR_EXPORTAR)
#define NORVA_ESCRITOR_API __declspec(dllexport)
#else
#define NORVA_ESCRITOR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The only frame size the camera takes. */
#define NORVA_ESCRITOR_LARGURA 1920
#define NORVA_ESCRITOR_ALTURA 1080

typedef enum norva_escritor_erro {
  NORVA_ESCRITOR_OK = 0,
  NORVA_ESCRITOR_ERRO_PONTEIRO_NULO = 1, /* a required pointer is null */
  NORVA_ESCRITOR_ERRO_DIMENSOES = 2,     /* width or height is not 1920x1080 */
  NORVA_ESCRITOR_ERRO_FORMATO = 3,       /* not one of norva_escritor_formato */
  NORVA_ESCRITOR_ERRO_PASSO = 4,         /* stride too small, too large or odd where it must be even */
  NORVA_ESCRITOR_ERRO_TAMANHO = 5,       /* fewer bytes than the format, size and stride need */
  NORVA_ESCRITOR_ERRO_FECHADO = 6,       /* the handle was closed, or never opened */
  NORVA_ESCRITOR_ERRO_CANO_OCUPADO = 7,  /* another process already serves this camera's pipe */
  NORVA_ESCRITOR_ERRO_SISTEMA = 8,       /* the system refused (the message gives its error) */
  NORVA_ESCRITOR_ERRO_NOME = 9           /* the friendly name is not UTF-8 */
} norva_escritor_erro;

/* Pixel formats. Packed formats have one plane of `passo` (stride) bytes per
 * row. NV12: the Y plane (1080 rows of `passo` bytes) then the interleaved UV
 * plane (540 rows of `passo` bytes), contiguous. I420: the Y plane (1080 rows
 * of `passo` bytes), then U, then V (540 rows of `passo`/2 bytes each), so
 * `passo` must be even. BGRA, BGRX, RGBA and RGB24 name the bytes in memory
 * order (BGRA is Windows' 32-bit DIB and Media Foundation's RGB32); alpha and
 * X are ignored. Converted to NV12 in BT.601 limited range. */
typedef enum norva_escritor_formato {
  NORVA_ESCRITOR_NV12 = 1,
  NORVA_ESCRITOR_I420 = 2,
  NORVA_ESCRITOR_YUY2 = 3,
  NORVA_ESCRITOR_BGRA = 4,
  NORVA_ESCRITOR_BGRX = 5,
  NORVA_ESCRITOR_RGBA = 6,
  NORVA_ESCRITOR_RGB24 = 7
} norva_escritor_formato;

typedef struct norva_escritor_estatisticas {
  uint64_t quadros_aceitos;   /* frames taken by norva_escritor_enviar */
  uint64_t quadros_enviados;  /* whole frame records written, summed over clients */
  uint64_t quadros_pulados;   /* frames a client never got because a newer one replaced them, summed */
  uint32_t clientes_conectados;
} norva_escritor_estatisticas;

/* A handle; 0 is never a valid one. */
typedef uint64_t norva_escritor;

/* Creates the pipe of the camera with this friendly name (UTF-8; NULL or ""
 * for the default pipe \\.\pipe\norva-camera-v1) and starts serving it.
 * Fails with NORVA_ESCRITOR_ERRO_CANO_OCUPADO, naming the pipe, when another
 * process already serves it. */
NORVA_ESCRITOR_API int norva_escritor_abrir(const char* nome_amigavel, norva_escritor* escritor);

/* Converts (or copies) one frame and hands it to the writer thread.
 * `tamanho`: bytes readable at `pixels`. `passo`: bytes from one row to the
 * next (0: rows packed tight). `ts`: any 64-bit value, carried to the
 * camera's log. Nothing reaches the pipe unless the whole frame is valid. */
NORVA_ESCRITOR_API int norva_escritor_enviar(norva_escritor escritor, int formato, const void* pixels,
                                             size_t tamanho, uint32_t largura, uint32_t altura,
                                             uint32_t passo, uint64_t ts);

NORVA_ESCRITOR_API int norva_escritor_estatisticas_de(norva_escritor escritor,
                                                      norva_escritor_estatisticas* estatisticas);

/* Refuses further sends, gives every connected camera up to a second to take
 * the newest frame, then stops the writer thread and closes the pipe.
 * Idempotent. */
NORVA_ESCRITOR_API int norva_escritor_fechar(norva_escritor escritor);

/* The short description of a code, or "unknown error". */
NORVA_ESCRITOR_API const char* norva_escritor_texto_do_erro(int erro);

/* The calling thread's last failure in one line (names the pipe, the system
 * error...); "" when none. Valid until the thread's next call. */
NORVA_ESCRITOR_API const char* norva_escritor_ultima_mensagem(void);

#ifdef __cplusplus
}
#endif

#endif
