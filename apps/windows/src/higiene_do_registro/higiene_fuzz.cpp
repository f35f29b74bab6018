// libFuzzer target for the log sanitiser. On every input, whatever its bytes:
//   - higienizar returns (no crash, no read past the end: AddressSanitizer);
//   - its result holds no line feed;
//   - stage 1 run on its own output changes nothing;
//   - valid UTF-8 in gives valid UTF-8 out;
//   - the bracket scanner ends after its start and within the text.
// A broken invariant aborts, which libFuzzer reports with the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace {

void exigir(bool condicao, const char* o_que) {
  if (condicao) return;
  std::fprintf(stderr, "invariant broken: %s\n", o_que);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
  using norva::Higiene;
  const std::string_view texto(reinterpret_cast<const char*>(dados), tamanho);

  const std::string limpa = Higiene::higienizar(texto);
  exigir(limpa.find('\n') == std::string::npos, "no line feed in the result");

  const std::string uma_vez = Higiene::ocultar_valores(texto);
  exigir(Higiene::ocultar_valores(uma_vez) == uma_vez, "stage 1 is stable on its own output");

  if (norva::higiene::primeiro_byte_invalido(texto) == norva::higiene::SEM_ERRO) {
    exigir(norva::higiene::primeiro_byte_invalido(limpa) == norva::higiene::SEM_ERRO,
           "valid UTF-8 stays valid");
  }

  const std::size_t abre = texto.find_first_of("([{");
  if (abre != std::string_view::npos) {
    const std::size_t fim = Higiene::fim_do_agrupamento(texto, abre);
    exigir(fim > abre && fim <= texto.size(), "bracket scan ends within the text");
  }
  return 0;
}
