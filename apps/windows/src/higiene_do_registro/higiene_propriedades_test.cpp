// Properties that hold for every input. The fuzz target checks on arbitrary
// bytes what holds for any text (no line feed out, stage 1 stable, valid UTF-8
// kept, the bracket scanner within the text); here, on pairs assembled from
// every sensitive key, joint and value shape: the value's text never comes
// out, with the pairs spread over threads that call at once.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "apps/windows/src/higiene_do_registro/higiene.h"

namespace norva {
namespace {

constexpr std::uint_fast32_t SEMENTE = 20261206;

// The sensitive keys as the log's readers know them (a key dropped from the
// sanitiser's table shows up here).
constexpr std::array<std::string_view, 56> CHAVES = {
    "pin", "key", "pwd", "par", "nome", "peer", "link", "cano", "text", "senha", "token", "ufrag", "texto",
    "autor", "label", "passwd", "secret", "camera", "resumo", "author", "motivo", "ice-pwd", "ice_pwd",
    "destino", "emissor", "moniker", "message", "pin_fixo", "password", "endereco", "hostname", "fullname",
    "mensagem", "pin_texto", "ice-ufrag", "ice_ufrag", "device_id", "endereço", "shared_key", "credential",
    "identidade", "last_error", "pairing_key", "private_key", "credentials", "display_name", "pin_da_camera",
    "shared_secret", "authorization", "local_address", "prompter_nome", "ultimo_motivo", "pairing_secret",
    "remote_address", "local_candidate", "remote_candidate",
};

// What may stand before the key (ending where a token cannot go on), between
// key and value, and after the value. A joint marked `so_aspas` has no
// separator and pairs only with a quoted value; `@` in a value shape stands
// for the secret.
constexpr std::array<std::string_view, 10> ANTES = {
    "", "frame 3 ", "{\"", "[", "(", "ok; ", "idade=3, ", "\u00A0", "cano conectado ", "linha\n",
};
struct Juncao {
  std::string_view abre;  // the key's opening quote
  std::string_view texto;
  bool so_aspas;
};
constexpr std::array<Juncao, 16> JUNCOES = {{
    {"", "=", false}, {"", ":", false}, {"", " = ", false}, {"", ": ", false}, {"", "\t:\u00A0", false},
    {"", "\u3000=\r\n", false}, {"\"", "\":", false}, {"\"", "\" : ", false}, {"", "\"=", false},
    {"'", "': ", false}, {"'", "'=", false}, {"", " ", true}, {"\"", "\"", true}, {"", "\t\u2028", true},
    {"\"", "\" ", true}, {"'", "' ", true},
}};
constexpr std::array<std::string_view, 14> VALORES = {
    "@", "@ e mais", "@\nlinha dois", "\"@\"", "'@'", "\"a\\\"@\\\\\"", "'x\\'@'", "[1, \"]\", @]",
    "{\"k\": [@]}", "(@)", "Some(\"@\")", "[@]:443", "\"(@\"", "'@, \"x\"'",
};
constexpr std::array<std::string_view, 7> DEPOIS = {
    "", " fim", ", ok=true", "}", ") e depois", "\n  linha 2", " label=x",
};

std::string_view sorteio(std::minstd_rand& gerador, auto const& opcoes) { return opcoes[gerador() % opcoes.size()]; }

// The key with each letter A to Z in either case (no other folding counts).
std::string em_qualquer_caixa(std::string_view chave, std::minstd_rand& gerador) {
  std::string texto(chave);
  for (char& c : texto) {
    if (c >= 'a' && c <= 'z' && gerador() % 2 == 0) c = static_cast<char>(c - 'a' + 'A');
  }
  return texto;
}

// 6 to 12 letters and digits, or for the digit shape 1 to 3 groups of 4 to 6
// digits, joined by "-" or " ". Each piece is checked on its own.
std::vector<std::string> segredo(std::minstd_rand& gerador, bool digitos) {
  static constexpr std::string_view ALNUM = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::vector<std::string> pedacos(digitos ? gerador() % 3 + 1 : 1);
  for (std::string& p : pedacos) {
    const auto tamanho = digitos ? gerador() % 3 + 4 : gerador() % 7 + 6;
    for (std::uint_fast32_t i = 0; i < tamanho; ++i) {
      // A letter first: a value of "pin" that begins with a digit ends at its
      // last digit, by design.
      const std::size_t de = (digitos || i > 0) ? 0 : 10;
      p += digitos ? char('0' + gerador() % 10) : ALNUM[de + gerador() % (ALNUM.size() - de)];
    }
  }
  return pedacos;
}

// A message holding one pair with a sensitive key, and the pieces of its
// value's text.
struct Par {
  std::string entrada;
  std::vector<std::string> pedacos;
};

Par par_sorteado(std::minstd_rand& gerador) {
  const Juncao juncao = JUNCOES[gerador() % JUNCOES.size()];
  const std::string_view chave = sorteio(gerador, CHAVES);
  // Digits pair with "pin" after mere white space too; every key takes them
  // after a separator (then as a free value).
  const bool digitos = gerador() % 4 == 0 && (!juncao.so_aspas || (chave == "pin" && juncao.texto != "\""));
  Par par{std::string(sorteio(gerador, ANTES)) + std::string(juncao.abre) + em_qualquer_caixa(chave, gerador) +
              std::string(juncao.texto),
          segredo(gerador, digitos)};
  if (digitos) {
    for (std::size_t k = 0; k < par.pedacos.size(); ++k) {
      par.entrada += (k > 0 ? (gerador() % 2 ? "-" : " ") : "") + par.pedacos[k];
    }
  } else {
    std::string_view forma = sorteio(gerador, VALORES);
    while (juncao.so_aspas && forma[0] != '"' && forma[0] != '\'') forma = sorteio(gerador, VALORES);
    const std::size_t segredo_em = forma.find('@');
    par.entrada += std::string(forma.substr(0, segredo_em)) + par.pedacos[0] + std::string(forma.substr(segredo_em + 1));
  }
  par.entrada += sorteio(gerador, DEPOIS);
  return par;
}

// The same pairs on every run; with --gtest_shuffle each repeat takes the
// seed gtest prints, so a longer run is --gtest_shuffle --gtest_repeat=N.
// The pairs are spread over threads that call at once: the function is pure,
// and ThreadSanitizer, in its build, watches for shared state creeping in.
TEST(PropriedadesDaHigiene, ValorDeChaveSensivelNuncaAparece) {
  constexpr int THREADS = 4;
  constexpr int PARES_POR_THREAD = 5000;
  const auto semente = SEMENTE + static_cast<std::uint_fast32_t>(testing::UnitTest::GetInstance()->random_seed());
  std::vector<std::string> vazamentos(THREADS);  // each thread's first pair whose value shows
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([&, t] {
      std::minstd_rand gerador(semente + static_cast<std::uint_fast32_t>(t));
      for (int i = 0; i < PARES_POR_THREAD && vazamentos[t].empty(); ++i) {
        const Par par = par_sorteado(gerador);
        const std::string limpa = Higiene::higienizar(par.entrada);
        for (const std::string& p : par.pedacos) {
          if (limpa.find(p) != std::string::npos) vazamentos[t] = "entrada: " + par.entrada + "\nsaida: " + limpa;
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(vazamentos, std::vector<std::string>(THREADS));
}

}  // namespace
}  // namespace norva
