// Text beyond ASCII: the character classes, UTF-8 decoding, and whole
// messages whose keys, values and words hinge on those classes.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/classes.h"
#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "apps/windows/src/higiene_do_registro/utf8.h"

namespace norva {
namespace {

using higiene::ClasseUnicode;

struct CasoDeClasse {
  std::string_view nome;
  char32_t ponto;
  ClasseUnicode classe;
};

void PrintTo(const CasoDeClasse& c, std::ostream* os) {
  *os << c.nome << " U+" << std::hex << static_cast<std::uint32_t>(c.ponto);
}

class ClasseDoCaractere : public testing::TestWithParam<CasoDeClasse> {};

TEST_P(ClasseDoCaractere, ComoNoBancoDeDadosUnicode) {
  EXPECT_EQ(higiene::classe_unicode(GetParam().ponto), GetParam().classe);
}

constexpr auto ALFANUMERICA = ClasseUnicode::Alfanumerica;
constexpr auto ESPACO = ClasseUnicode::EspacoBranco;
constexpr auto OUTRA = ClasseUnicode::Outra;

INSTANTIATE_TEST_SUITE_P(Tabela, ClasseDoCaractere, testing::Values(
    CasoDeClasse{"letra_ascii", U'q', ALFANUMERICA},
    CasoDeClasse{"digito_ascii", U'7', ALFANUMERICA},
    CasoDeClasse{"hifen", U'-', OUTRA},
    CasoDeClasse{"controle", 0x01, OUTRA},
    CasoDeClasse{"del", 0x7F, OUTRA},
    CasoDeClasse{"tab_a_cr_inicio", 0x09, ESPACO},
    CasoDeClasse{"tab_a_cr_fim", 0x0D, ESPACO},
    CasoDeClasse{"separador_de_unidade", 0x1F, OUTRA},
    CasoDeClasse{"proxima_linha", 0x85, ESPACO},
    CasoDeClasse{"espaco_sem_quebra", 0xA0, ESPACO},
    CasoDeClasse{"indicador_ordinal", 0xAA, ALFANUMERICA},  // Lo
    CasoDeClasse{"sobrescrito_dois", 0xB2, ALFANUMERICA},    // No
    CasoDeClasse{"ponto_medio", 0xB7, OUTRA},                // Po
    CasoDeClasse{"c_cedilha", 0xE7, ALFANUMERICA},
    CasoDeClasse{"vezes", 0xD7, OUTRA},                      // Sm
    CasoDeClasse{"acento_combinante", 0x0301, OUTRA},        // Mn, not Alphabetic
    CasoDeClasse{"vogal_devanagari", 0x093E, ALFANUMERICA},  // Mc, Other_Alphabetic
    CasoDeClasse{"digito_arabe", 0x0663, ALFANUMERICA},      // Nd
    CasoDeClasse{"espaco_ogham", 0x1680, ESPACO},
    CasoDeClasse{"en_quad", 0x2000, ESPACO},
    CasoDeClasse{"hair_space", 0x200A, ESPACO},
    CasoDeClasse{"zero_width_space", 0x200B, OUTRA},
    CasoDeClasse{"separador_de_linha", 0x2028, ESPACO},
    CasoDeClasse{"separador_de_paragrafo", 0x2029, ESPACO},
    CasoDeClasse{"espaco_estreito", 0x202F, ESPACO},
    CasoDeClasse{"espaco_matematico", 0x205F, ESPACO},
    CasoDeClasse{"numeral_romano", 0x2160, ALFANUMERICA},    // Nl
    CasoDeClasse{"espaco_ideografico", 0x3000, ESPACO},
    CasoDeClasse{"ideograma", 0x4E2D, ALFANUMERICA},
    CasoDeClasse{"ultimo_ideograma_15", 0x9FFF, ALFANUMERICA},
    CasoDeClasse{"silaba_hangul", 0xAC00, ALFANUMERICA},
    CasoDeClasse{"bom", 0xFEFF, OUTRA},
    CasoDeClasse{"emoji", 0x1F600, OUTRA},
    CasoDeClasse{"digito_matematico", 0x1D7CE, ALFANUMERICA},
    CasoDeClasse{"ideograma_ext_h_novo_em_15", 0x31350, ALFANUMERICA},
    CasoDeClasse{"maior_ponto", 0x10FFFF, OUTRA},
    CasoDeClasse{"invalido", higiene::CARACTERE_INVALIDO, OUTRA}),
    [](const testing::TestParamInfo<CasoDeClasse>& info) { return std::string(info.param.nome); });

struct CasoDeDecodificacao {
  std::string_view nome;
  std::string_view bytes;
  char32_t ponto;        // of the character at offset 0
  std::size_t tamanho;
  std::size_t primeiro_invalido;  // higiene::SEM_ERRO when all is valid
};

void PrintTo(const CasoDeDecodificacao& c, std::ostream* os) { *os << c.nome; }

class DecodificarUtf8 : public testing::TestWithParam<CasoDeDecodificacao> {};

TEST_P(DecodificarUtf8, PrimeiroCaractereEPrimeiroErro) {
  const CasoDeDecodificacao& c = GetParam();
  // A copy of exactly the case's bytes, so that AddressSanitizer sees any
  // read past the end.
  const std::string bytes(c.bytes);
  const higiene::Caractere caractere = higiene::decodificar(bytes, 0);
  EXPECT_EQ(caractere.ponto, c.ponto);
  EXPECT_EQ(caractere.tamanho, c.tamanho);
  EXPECT_EQ(higiene::primeiro_byte_invalido(bytes), c.primeiro_invalido);
}

constexpr char32_t INVALIDO = higiene::CARACTERE_INVALIDO;
constexpr std::size_t VALIDO = higiene::SEM_ERRO;

INSTANTIATE_TEST_SUITE_P(Tabela, DecodificarUtf8, testing::Values(
    CasoDeDecodificacao{"ascii", "a", U'a', 1, VALIDO},
    CasoDeDecodificacao{"nul", std::string_view("\0", 1), 0, 1, VALIDO},
    CasoDeDecodificacao{"dois_bytes", "\xC3\xA7", 0xE7, 2, VALIDO},
    CasoDeDecodificacao{"tres_bytes", "\xE2\x80\xA8", 0x2028, 3, VALIDO},
    CasoDeDecodificacao{"quatro_bytes", "\xF0\x9F\x98\x80", 0x1F600, 4, VALIDO},
    CasoDeDecodificacao{"maior_ponto", "\xF4\x8F\xBF\xBF", 0x10FFFF, 4, VALIDO},
    CasoDeDecodificacao{"continuacao_solta", "\x80" "a", INVALIDO, 1, 0},
    CasoDeDecodificacao{"longo_demais_c0", "\xC0\xAF", INVALIDO, 1, 0},
    CasoDeDecodificacao{"longo_demais_e0", "\xE0\x80\xAF", INVALIDO, 1, 0},
    CasoDeDecodificacao{"longo_demais_f0", "\xF0\x80\x80\xAF", INVALIDO, 1, 0},
    CasoDeDecodificacao{"surrogate", "\xED\xA0\x80", INVALIDO, 1, 0},
    CasoDeDecodificacao{"alem_de_10ffff", "\xF4\x90\x80\x80", INVALIDO, 1, 0},
    CasoDeDecodificacao{"f5", "\xF5\x80\x80\x80", INVALIDO, 1, 0},
    CasoDeDecodificacao{"ff", "\xFF", INVALIDO, 1, 0},
    CasoDeDecodificacao{"cortado_no_fim", "\xE2\x82", INVALIDO, 1, 0},
    CasoDeDecodificacao{"terceiro_byte_errado", "\xE2\x82" "a", INVALIDO, 1, 0},
    CasoDeDecodificacao{"erro_depois_de_validos", "ab\xC3\xA7\xC3", U'a', 1, 4}),
    [](const testing::TestParamInfo<CasoDeDecodificacao>& info) { return std::string(info.param.nome); });

struct Caso {
  std::string_view nome;
  std::string_view entrada;
  std::string_view esperado;
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nome; }

class TextoNaoAscii : public testing::TestWithParam<Caso> {};

TEST_P(TextoNaoAscii, Higienizar) {
  const std::string entrada(GetParam().entrada);  // exact bytes, for AddressSanitizer
  EXPECT_EQ(Higiene::higienizar(entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Tabela, TextoNaoAscii, testing::Values(
    Caso{"chave_com_cedilha", "endereço=rua x", "endereço=<omitido>"},
    Caso{"cedilha_maiuscula_nao_dobra", "ENDEREÇO=rua x", "ENDEREÇO=rua x"},
    Caso{"endereco_sem_acento_maiusculo", "ENDERECO=rua x", "ENDERECO=<omitido>"},
    Caso{"letra_acentuada_junta_token", "nomé=x", "nomé=x"},
    Caso{"digito_arabe_junta_token", "nome\u0663=x", "nome\u0663=x"},
    Caso{"numeral_romano_junta_token", "\u2160senha=x", "\u2160senha=x"},
    Caso{"espaco_sem_quebra_antes_do_separador", "senha\u00A0= x", "senha\u00A0= <omitido>"},
    Caso{"separador_de_linha_antes_das_aspas", "label\u2028'x' fim", "label\u2028<omitido> fim"},
    Caso{"espaco_ideografico_depois_do_separador", "senha=\u3000\"x\" fim", "senha=\u3000<omitido> fim"},
    Caso{"espaco_de_largura_zero_nao_e_espaco", "label\u200B'x'", "label\u200B'x'"},
    Caso{"separador_de_linha_nao_quebra_linha", "a\u2028b", "a\u2028b"},
    Caso{"caminho_com_acentos", "abrindo C:\\Usuários\\joão\\vídeo.mp4 já", "abrindo <caminho omitido> já"},
    Caso{"separador_de_linha_encerra_caminho", "C:\\x\u2028y", "<caminho omitido>\u2028y"},
    Caso{"digitos_arabes_nao_sao_endereco", "\u0661.\u0662.\u0663.\u0664", "\u0661.\u0662.\u0663.\u0664"},
    Caso{"sobrescrito_junta_palavra", "1.2.3.4\u00B2", "1.2.3.4\u00B2"},
    Caso{"emoji_separa_palavras", "1.2.3.4\U0001F600x", "<IPv4>\U0001F600x"},
    // Invalid UTF-8: each bad byte is one character of no class, kept as is.
    Caso{"byte_invalido_copiado", "a\xFF" "b", "a\xFF" "b"},
    Caso{"valor_com_byte_invalido", "senha=\xFF\xFE", "senha=<omitido>"},
    Caso{"byte_invalido_encerra_token", "senha\xFF=x", "senha\xFF=x"},
    Caso{"byte_invalido_separa_palavras", "1.2.3.4\xC0" "C:\\x", "<IPv4>\xC0<caminho omitido>"},
    Caso{"sequencia_cortada_no_fim", "senha \xE2\x80", "senha \xE2\x80"},
    Caso{"sequencia_cortada_antes_das_aspas", "label \xE2\x80'x'", "label \xE2\x80'x'"}),
    [](const testing::TestParamInfo<Caso>& info) { return std::string(info.param.nome); });

}  // namespace
}  // namespace norva
