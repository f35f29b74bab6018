// Sensitive pairs (stage 1), the bracket scanner and line joining (stage 3).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/higiene.h"

namespace norva {
namespace {

struct Caso {
  std::string_view nome;
  std::string_view entrada;
  std::string_view esperado;
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nome << ": " << c.entrada; }

std::string nome_do_caso(const testing::TestParamInfo<Caso>& info) { return std::string(info.param.nome); }

// Whole results of higienizar; the word rules leave all of these alone.
class ParesSensiveis : public testing::TestWithParam<Caso> {};

TEST_P(ParesSensiveis, Higienizar) {
  EXPECT_EQ(Higiene::higienizar(GetParam().entrada), GetParam().esperado);
}

TEST_P(ParesSensiveis, PrimeiraEtapaSobreASuaSaidaNadaMuda) {
  const std::string uma_vez = Higiene::ocultar_valores(GetParam().entrada);
  EXPECT_EQ(Higiene::ocultar_valores(uma_vez), uma_vez);
}

INSTANTIATE_TEST_SUITE_P(Tabela, ParesSensiveis, testing::Values(
    Caso{"separador_igual", "motivo=sem imagem", "motivo=<omitido>"},
    Caso{"maiusculas_e_dois_pontos", "Motivo: sem imagem agora", "Motivo: <omitido>"},
    Caso{"aspas_escapadas_em_json", R"({"nome":"x\"y","ok":true})", R"({"nome":<omitido>,"ok":true})"},
    Caso{"chave_json_com_espacos", R"("texto" : "x" fim)", R"("texto" : <omitido> fim)"},
    Caso{"aspas_sem_separador", "label 'abc' fim", "label <omitido> fim"},
    Caso{"aspas_coladas_na_chave", "label'abc'", "label'abc'"},
    Caso{"chave_entre_aspas_simples", "{'senha': 'x', 'ok': 1}", "{'senha': <omitido>, 'ok': 1}"},
    Caso{"aspas_simples_so_depois_da_chave", "label' = x", "label' = x"},
    Caso{"chave_sozinha", "label", "label"},
    Caso{"valor_vazio_no_fim", "label=", "label=<omitido>"},
    Caso{"ja_omitido", "label=<omitido> fim", "label=<omitido> fim"},
    Caso{"null_termina", "nome=null, idade=3", "nome=<omitido>, idade=3"},
    Caso{"quase_null_vai_ao_fim", "nome=nulo, idade=3", "nome=<omitido>"},
    Caso{"some", R"(nome=Some("abc") fim)", "nome=<omitido> fim"},
    Caso{"colchetes_aninhados", "camera=[1, [2, 3]] fim", "camera=<omitido> fim"},
    Caso{"colchetes_trocados", "camera=(1] fim", "camera=<omitido>"},
    Caso{"prefixo_com_hifen", "x-nome=abc", "x-nome=abc"},
    Caso{"estatisticas_do_cano", "cano: conectado=true recebidos=3", "cano: <omitido>"},
    // The pin rules.
    Caso{"pin_em_grupos", "pin 1234-5678 9 ok", "pin <omitido> ok"},
    Caso{"pin_maiusculo_com_dois_pontos", "PIN: 12 34 ok", "PIN: <omitido> ok"},
    Caso{"pin_hifen_final_fica", "Pin 12- ok", "Pin <omitido>- ok"},
    Caso{"pin_sem_digito_vai_ao_fim", "pin: abc 12 ok", "pin: <omitido>"},
    Caso{"pin_aspas_de_json", R"({"pin"1234})", R"({"pin"<omitido>})"},
    Caso{"pin_colado_e_outro_token", "pin1234 ok", "pin1234 ok"},
    Caso{"digito_so_vale_para_pin", "senha 1234", "senha 1234"},
    Caso{"pin_fixo_digitos_ao_fim", "pin_fixo=12 ok", "pin_fixo=<omitido>"},
    // Tokens that carry a key but are not one.
    Caso{"dois_hifens_na_frente", "--password=abc", "--password=abc"},
    Caso{"sublinhado_na_frente", "_senha=abc", "_senha=abc"},
    Caso{"prosa_sem_separador", "cano conectado", "cano conectado"},
    // Rules that end the value, in order.
    Caso{"true_sozinho_no_fim", "nome=true", "nome=<omitido>"},
    Caso{"true_seguido_de_virgula", "nome=true, a=b", "nome=<omitido>, a=b"},
    Caso{"true_seguido_de_texto", "nome=trueish, a=b", "nome=<omitido>"},
    Caso{"false_fecha_chave", R"({"nome":false} ok)", R"({"nome":<omitido>} ok)"},
    Caso{"null_maiusculo_nao_e_null", "nome=NULL, a=b", "nome=<omitido>"},
    Caso{"some_sem_fechar", R"(nome=Some("a" fim)", "nome=<omitido>"},
    Caso{"grupo_com_porta", "peer=[fe80::1]:443 ok", "peer=<omitido> ok"},
    Caso{"grupo_com_dois_pontos_sem_porta", "peer=(a):x", "peer=<omitido>x"},
    Caso{"grupo_sem_fechar", "peer={a, b fim", "peer=<omitido>"},
    Caso{"colchete_dentro_de_aspas", R"~(camera=[")"] fim)~", "camera=<omitido> fim"},
    Caso{"aspas_sem_fechar", "token='abc", "token=<omitido>"},
    Caso{"barra_dupla_antes_das_aspas", R"(token="a\\" fim)", "token=<omitido> fim"},
    Caso{"aspas_simples_dentro_de_duplas", R"(token="it's" fim)", "token=<omitido> fim"},
    // Several pairs, and what a free value swallows.
    Caso{"dois_pares", R"(nome="a" senha="b" ok)", "nome=<omitido> senha=<omitido> ok"},
    Caso{"valor_livre_engole_linhas", "motivo=x\nsenha=y\nfim", "motivo=<omitido>"},
    Caso{"linhas_antes_do_par", "linha 1\nmotivo: x", "linha 1 | motivo: <omitido>"},
    Caso{"chave_maior_que_dezesseis", "remote_candidate_=abc", "remote_candidate_=abc"},
    Caso{"chave_de_dezesseis", "REMOTE_CANDIDATE=abc", "REMOTE_CANDIDATE=<omitido>"},
    Caso{"espacos_antes_do_separador", "senha \t = abc", "senha \t = <omitido>"},
    Caso{"vazio", "", ""}),
    nome_do_caso);

struct CasoDeAgrupamento {
  std::string_view nome;
  std::string_view texto;
  std::size_t inicio;
  std::size_t esperado;  // npos: the length of the text
};

void PrintTo(const CasoDeAgrupamento& c, std::ostream* os) { *os << c.nome << ": " << c.texto; }

constexpr std::size_t ATE_O_FIM = std::string_view::npos;

class FimDoAgrupamento : public testing::TestWithParam<CasoDeAgrupamento> {};

TEST_P(FimDoAgrupamento, PosicaoDepoisDoFechamento) {
  const CasoDeAgrupamento& c = GetParam();
  const std::size_t esperado = c.esperado == ATE_O_FIM ? c.texto.size() : c.esperado;
  EXPECT_EQ(Higiene::fim_do_agrupamento(c.texto, c.inicio), esperado);
}

INSTANTIATE_TEST_SUITE_P(Tabela, FimDoAgrupamento, testing::Values(
    CasoDeAgrupamento{"simples", "(a) b", 0, 3},
    CasoDeAgrupamento{"aninhado", "x[1, {2: (3)}] y", 1, 14},
    CasoDeAgrupamento{"trocado", "(]) b", 0, ATE_O_FIM},
    CasoDeAgrupamento{"sem_fechar", "((a)", 0, ATE_O_FIM},
    CasoDeAgrupamento{"fechamento_dentro_de_aspas", R"~(("a)" 'b)') x)~", 0, 11},
    CasoDeAgrupamento{"aspas_escapadas", R"(["a\"]"] x)", 0, 8},
    CasoDeAgrupamento{"barra_escapada", R"(["a\\"] x)", 0, 7},
    CasoDeAgrupamento{"aspas_sem_fechar", R"(("a) x)", 0, ATE_O_FIM},
    CasoDeAgrupamento{"inicio_no_fim", "(", 1, ATE_O_FIM},
    CasoDeAgrupamento{"inicio_alem_do_fim", "()", 7, ATE_O_FIM}),
    [](const testing::TestParamInfo<CasoDeAgrupamento>& info) { return std::string(info.param.nome); });

// Stage 3 alone.
class JuntarLinhas : public testing::TestWithParam<Caso> {};

TEST_P(JuntarLinhas, UmaLinha) {
  EXPECT_EQ(Higiene::juntar_linhas(GetParam().entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Tabela, JuntarLinhas, testing::Values(
    Caso{"duas_linhas", "linha 1\nlinha 2", "linha 1 | linha 2"},
    Caso{"crlf_e_linha_vazia", "a\r\n\nb\n", "a |  | b"},
    Caso{"so_quebra", "\n", ""},
    Caso{"vazio", "", ""},
    Caso{"duas_quebras", "\n\n", " | "},
    Caso{"cr_sozinho_fica", "a\rb\r", "a\rb\r"},
    Caso{"cr_antes_do_fim_fica", "a\r", "a\r"},
    Caso{"cr_duplo", "a\r\r\nb", "a\r | b"},
    Caso{"linha_vazia_inicial", "\na", " | a"}),
    nome_do_caso);

}  // namespace
}  // namespace norva
