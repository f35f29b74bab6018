// Properties that hold for every input, checked on many messages assembled
// from fragments that steer the scanners into their corners (the fuzz target
// checks the same on arbitrary bytes):
//   - the result of higienizar never holds a line feed;
//   - stage 1 run on its own output changes nothing;
//   - valid UTF-8 in gives valid UTF-8 out (markers and cuts never split a
//     character);
//   - the bracket scanner ends after its start and within the text.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva {
namespace {

constexpr std::array<std::string_view, 44> FRAGMENTOS = {
    "senha", "pin", "PIN", "cano", "endereço", "label", "nome", "remote_candidate", "x-nome",
    "=", ":", " ", "\t", "\u00A0", "\u2028", "\n", "\r\n", "\r", "\"", "'", "\\", "\\\\",
    "(", ")", "[", "]", "{", "}", "Some(", "null", "true", "false", ",", "<omitido>",
    "1234", "-", "1.2.3.4", "::1", "%12", "C:\\x", "norva://", "0123456789abcdef", "é", "\u0663",
};

constexpr int QUANTIDADE_DE_MENSAGENS = 4000;
constexpr int MAIOR_NUMERO_DE_FRAGMENTOS = 12;
constexpr std::uint_fast32_t SEMENTE = 20261206;

std::string mensagem(std::minstd_rand& gerador) {
  std::string texto;
  const auto partes = gerador() % MAIOR_NUMERO_DE_FRAGMENTOS + 1;
  for (std::uint_fast32_t i = 0; i < partes; ++i) texto += FRAGMENTOS[gerador() % FRAGMENTOS.size()];
  return texto;
}

TEST(PropriedadesDaHigiene, ValemParaMensagensMontadas) {
  std::minstd_rand gerador(SEMENTE);
  for (int i = 0; i < QUANTIDADE_DE_MENSAGENS; ++i) {
    const std::string entrada = mensagem(gerador);
    const std::string limpa = Higiene::higienizar(entrada);
    EXPECT_EQ(limpa.find('\n'), std::string::npos) << "entrada: " << entrada;
    EXPECT_EQ(higiene::primeiro_byte_invalido(limpa), higiene::SEM_ERRO) << "entrada: " << entrada;
    const std::string uma_vez = Higiene::ocultar_valores(entrada);
    EXPECT_EQ(Higiene::ocultar_valores(uma_vez), uma_vez) << "entrada: " << entrada;
    for (std::size_t inicio = 0; inicio < entrada.size(); ++inicio) {
      const std::size_t fim = Higiene::fim_do_agrupamento(entrada, inicio);
      EXPECT_GT(fim, inicio) << "entrada: " << entrada << " inicio: " << inicio;
      EXPECT_LE(fim, entrada.size()) << "entrada: " << entrada << " inicio: " << inicio;
    }
  }
}

// Every one- and two-byte input: nothing crashes or reads past the end
// (AddressSanitizer watches), no line feed comes out, stage 1 is stable.
TEST(PropriedadesDaHigiene, ValemParaTodosOsTextosDeAteDoisBytes) {
  constexpr int BYTES = 256;
  for (int a = 0; a < BYTES; ++a) {
    for (int b = -1; b < BYTES; ++b) {
      std::string entrada(1, static_cast<char>(a));
      if (b >= 0) entrada.push_back(static_cast<char>(b));
      const std::string limpa = Higiene::higienizar(entrada);
      ASSERT_EQ(limpa.find('\n'), std::string::npos) << a << ' ' << b;
      const std::string uma_vez = Higiene::ocultar_valores(entrada);
      ASSERT_EQ(Higiene::ocultar_valores(uma_vez), uma_vez) << a << ' ' << b;
    }
  }
}

// A pure function: threads calling it at once get what one thread gets
// (ThreadSanitizer, in its build, watches for any shared state creeping in).
TEST(PropriedadesDaHigiene, ChamadasConcorrentesDaoOMesmoResultado) {
  constexpr int THREADS = 4;
  constexpr int MENSAGENS_POR_THREAD = 500;
  std::minstd_rand gerador(SEMENTE);
  std::vector<std::string> entradas;
  std::vector<std::string> esperados;
  for (int i = 0; i < MENSAGENS_POR_THREAD; ++i) {
    entradas.push_back(mensagem(gerador));
    esperados.push_back(Higiene::higienizar(entradas.back()));
  }
  std::vector<int> divergencias(THREADS, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < MENSAGENS_POR_THREAD; ++i) {
        if (Higiene::higienizar(entradas[i]) != esperados[i]) ++divergencias[t];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < THREADS; ++t) EXPECT_EQ(divergencias[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace norva
