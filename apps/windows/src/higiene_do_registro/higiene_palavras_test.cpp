// Word rules (stage 2): whole messages, single words, and the address grammar.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/enderecos.h"
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

// Whole results of higienizar; stages 1 and 3 leave these inputs alone.
class PalavrasNaMensagem : public testing::TestWithParam<Caso> {};

TEST_P(PalavrasNaMensagem, Higienizar) {
  EXPECT_EQ(Higiene::higienizar(GetParam().entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Tabela, PalavrasNaMensagem, testing::Values(
    Caso{"caminho_com_unidade", R"(abrindo C:\Users\usuario\video.mp4 agora)", "abrindo <caminho omitido> agora"},
    Caso{"caminho_unc", R"(\\servidor\pasta\arquivo.txt)", "<caminho omitido>"},
    Caso{"espaco_encerra_caminho", R"(C:\Program Files\x)", R"(<caminho omitido> Files\x)"},
    Caso{"barras_normais", "/home/usuario/x", "/home/usuario/x"},
    Caso{"unidade_com_barra_normal", "C:/x", "C:/x"},
    Caso{"link_maiusculo", "abra Norva://convite/123", "abra norva://<omitido>"},
    Caso{"socket_com_ponto_final", "de 192.168.0.10:5000.", "de <IPv4>:5000"},
    Caso{"ipv4_antes_de_virgula", "ip 10.0.0.1, porta 80", "ip <IPv4>, porta 80"},
    Caso{"porta_com_zero_a_esquerda", "1.2.3.4:080", "<IPv4>:80"},
    Caso{"socket_ipv6_com_zona", "[fe80::1%12]:443", "<IPv6>:443"},
    Caso{"ipv6_com_zona_nomeada", "fe80::1%eth0", "<IPv6>"},
    Caso{"ipv6_entre_colchetes", "[::1]", "<IPv6>"},
    Caso{"versao_e_ipv4", "versão 1.2.3.4", "versão <IPv4>"},
    Caso{"zero_a_esquerda", "01.2.3.4", "01.2.3.4"},
    Caso{"octeto_grande", "1.2.3.256", "1.2.3.256"},
    Caso{"dois_pontos_duplos_sozinhos", "a :: b", "a <IPv6> b"},
    Caso{"hora", "12:30:45", "12:30:45"},
    Caso{"endereco_mac", "00:11:22:33:44:55", "00:11:22:33:44:55"},
    Caso{"entre_parenteses", "(10.0.0.1)", "(<IPv4>)"},
    // Further behaviour.
    Caso{"digest", "sha 0123456789abcdef0123456789ABCDEF fim", "sha <digest omitido> fim"},
    Caso{"digest_com_ponto_fica", "0123456789abcdef0123456789abcdef.", "0123456789abcdef0123456789abcdef."},
    Caso{"arroba_junta_palavra", "usuario@10.0.0.1", "usuario@10.0.0.1"},
    Caso{"marca_da_primeira_etapa_fica", "x <omitido> y", "x <omitido> y"},
    Caso{"link_com_ipv4", "norva://10.0.0.1:80/x", "norva://<omitido>"},
    Caso{"dois_pontos_finais", "10.0.0.1:80..", "<IPv4>:80"},
    Caso{"separadores_ficam", "a=1.2.3.4;b#[::1]!", "a=<IPv4>;b#<IPv6>!"},
    Caso{"varias_palavras", R"(C:\a 1.1.1.1 \\s\p)", "<caminho omitido> <IPv4> <caminho omitido>"}),
    nome_do_caso);

// One word at a time, the first rule that matches decides.
class ClassificarPalavra : public testing::TestWithParam<Caso> {};

TEST_P(ClassificarPalavra, Resultado) {
  EXPECT_EQ(Higiene::classificar_palavra(GetParam().entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Regras, ClassificarPalavra, testing::Values(
    Caso{"link_so_esquema", "NORVA://", "norva://<omitido>"},
    Caso{"link_curto_demais", "norva:/", "norva:/"},
    Caso{"digest_de_32", "00000000000000000000000000000000", "<digest omitido>"},
    Caso{"digest_de_31", "0000000000000000000000000000000", "0000000000000000000000000000000"},
    Caso{"digest_com_hifen", "0000000000000000-000000000000000000", "0000000000000000-000000000000000000"},
    Caso{"digest_antes_de_endereco", "1111111111111111111111111111111111", "<digest omitido>"},
    Caso{"porta_maxima", "1.2.3.4:65535", "<IPv4>:65535"},
    Caso{"porta_grande_demais", "1.2.3.4:65536", "1.2.3.4:65536"},
    Caso{"porta_com_muitos_zeros", "1.2.3.4:00000000000000000000000000000080", "<IPv4>:80"},
    Caso{"porta_vazia", "1.2.3.4:", "1.2.3.4:"},
    Caso{"porta_zero", "[::]:0", "<IPv6>:0"},
    Caso{"zona_maxima", "[::1%4294967295]:1", "<IPv6>:1"},
    Caso{"zona_grande_demais_cai_na_regra_do_ip", "[::1%4294967296]:1", "<IPv6>"},
    Caso{"zona_nomeada_com_porta_cai_na_regra_do_ip", "[fe80::1%eth0]:443", "<IPv6>"},
    Caso{"colchetes_dos_dois_lados", "]][1.2.3.4]][", "<IPv4>"},
    Caso{"pontos_finais_somem", "1.2.3.4...", "<IPv4>"},
    Caso{"endereco_e_caminho_e_endereco", "[::1]:80", "<IPv6>:80"},
    Caso{"caminho_depois_do_endereco", R"(1.2.3.4:\x)", "<caminho omitido>"},
    Caso{"caminho_no_meio", R"(arquivo=D:\x)", "<caminho omitido>"},
    Caso{"barra_unica_nao_e_unc", R"(\servidor)", R"(\servidor)"},
    Caso{"palavra_comum", "conectado", "conectado"}),
    nome_do_caso);

struct CasoDeEndereco {
  std::string_view texto;
  bool ipv4;
  bool ipv6;
  std::optional<higiene::EnderecoDeSocket> socket;
};

void PrintTo(const CasoDeEndereco& c, std::ostream* os) { *os << '"' << c.texto << '"'; }

using higiene::EnderecoDeSocket;
using higiene::FamiliaIp;

class GramaticaDeEnderecos : public testing::TestWithParam<CasoDeEndereco> {};

TEST_P(GramaticaDeEnderecos, Reconhece) {
  const CasoDeEndereco& c = GetParam();
  EXPECT_EQ(higiene::e_ipv4(c.texto), c.ipv4);
  EXPECT_EQ(higiene::e_ipv6(c.texto), c.ipv6);
  const auto socket = higiene::endereco_de_socket(c.texto);
  ASSERT_EQ(socket.has_value(), c.socket.has_value());
  if (socket) {
    EXPECT_EQ(socket->familia, c.socket->familia);
    EXPECT_EQ(socket->porta, c.socket->porta);
  }
}

constexpr std::optional<EnderecoDeSocket> NAO = std::nullopt;

INSTANTIATE_TEST_SUITE_P(Tabela, GramaticaDeEnderecos, testing::Values(
    CasoDeEndereco{"0.0.0.0", true, false, NAO},
    CasoDeEndereco{"255.255.255.255", true, false, NAO},
    CasoDeEndereco{"1.2.3", false, false, NAO},
    CasoDeEndereco{"1.2.3.4.5", false, false, NAO},
    CasoDeEndereco{"1..3.4", false, false, NAO},
    CasoDeEndereco{"1.2.3.00", false, false, NAO},
    CasoDeEndereco{"1.2.3.1000", false, false, NAO},
    CasoDeEndereco{"1.2.3.-1", false, false, NAO},
    CasoDeEndereco{"::", false, true, NAO},
    CasoDeEndereco{"::1", false, true, NAO},
    CasoDeEndereco{"1::", false, true, NAO},
    CasoDeEndereco{"1:2:3:4:5:6:7:8", false, true, NAO},
    CasoDeEndereco{"1:2:3:4:5:6:7", false, false, NAO},
    CasoDeEndereco{"1:2:3:4:5:6:7:8:9", false, false, NAO},
    CasoDeEndereco{"1:2:3:4:5:6:7::", false, true, NAO},
    CasoDeEndereco{"1:2:3:4::5:6:7:8", false, false, NAO},
    CasoDeEndereco{"1::2::3", false, false, NAO},
    CasoDeEndereco{":::", false, false, NAO},
    CasoDeEndereco{":1::", false, false, NAO},
    CasoDeEndereco{"ABCD:ef01::0000", false, true, NAO},
    CasoDeEndereco{"12345::", false, false, NAO},
    CasoDeEndereco{"g::", false, false, NAO},
    CasoDeEndereco{"::ffff:1.2.3.4", false, true, NAO},
    CasoDeEndereco{"1:2:3:4:5:6:1.2.3.4", false, true, NAO},
    CasoDeEndereco{"1:2:3:4:5:6:7:1.2.3.4", false, false, NAO},
    CasoDeEndereco{"1.2.3.4::", false, false, NAO},
    CasoDeEndereco{"::1.2.3.4:1", false, false, NAO},
    CasoDeEndereco{"::1.2.3.256", false, false, NAO},
    CasoDeEndereco{"1.2.3.4:0", false, false, EnderecoDeSocket{FamiliaIp::V4, 0}},
    CasoDeEndereco{"1.2.3.4:65535", false, false, EnderecoDeSocket{FamiliaIp::V4, 65535}},
    CasoDeEndereco{"1.2.3.4:99999", false, false, NAO},
    CasoDeEndereco{"1.2.3.4:+1", false, false, NAO},
    CasoDeEndereco{"[::1]:8080", false, false, EnderecoDeSocket{FamiliaIp::V6, 8080}},
    CasoDeEndereco{"[::1%0]:1", false, false, EnderecoDeSocket{FamiliaIp::V6, 1}},
    CasoDeEndereco{"[::1%]:1", false, false, NAO},
    CasoDeEndereco{"[::1]", false, false, NAO},
    CasoDeEndereco{"::1:80", false, true, NAO},
    CasoDeEndereco{"[1.2.3.4]:80", false, false, NAO},
    CasoDeEndereco{"", false, false, NAO}));

}  // namespace
}  // namespace norva
