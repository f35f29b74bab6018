// The sanitiser's rules, as exact input/output tables: sensitive pairs (stage
// 1), the word rules and their address grammar (stage 2), line joining (stage
// 3) and text beyond ASCII. The bracket scanner is checked through the values
// it ends. What holds for every input (no line feed out, stage 1 stable, valid
// UTF-8 kept, a sensitive value never shown) is checked by the property tests
// and the fuzz target instead.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "apps/windows/src/higiene_do_registro/higiene.h"

namespace norva {
namespace {

struct Caso {
  std::string_view entrada;
  std::string_view esperado;
};

// Whole results of higienizar.
constexpr Caso MENSAGENS[] = {
    // Sensitive pairs: where the value starts and, by the first rule that
    // applies, where it ends.
    {"Motivo: sem imagem agora", "Motivo: <omitido>"},
    {R"({"nome":"x\"y","ok":true})", R"({"nome":<omitido>,"ok":true})"}, {"label 'abc' fim", "label <omitido> fim"},
    {"label'abc'", "label'abc'"}, {"{'senha': 'x', 'ok': 1}", "{'senha': <omitido>, 'ok': 1}"},
    {"label' = x", "label' = x"}, {"label=", "label=<omitido>"}, {"label=<omitido> fim", "label=<omitido> fim"},
    {"nome=null, idade=3", "nome=<omitido>, idade=3"}, {"nome=nulo, idade=3", "nome=<omitido>"},
    {"nome=NULL, a=b", "nome=<omitido>"}, {"nome=true", "nome=<omitido>"}, {"nome=true, a=b", "nome=<omitido>, a=b"},
    {"nome=trueish, a=b", "nome=<omitido>"}, {R"({"nome":false} ok)", R"({"nome":<omitido>} ok)"},
    {R"(nome=Some("abc") fim)", "nome=<omitido> fim"}, {R"(nome=Some("a" fim)", "nome=<omitido>"},
    {"camera=[1, [2, 3]] fim", "camera=<omitido> fim"}, {"camera=(1] fim", "camera=<omitido>"},
    {R"~(camera=[")" 'b]' "c\"]" "d\\"] fim)~", "camera=<omitido> fim"}, {"peer=[fe80::1]:443 ok", "peer=<omitido> ok"},
    {"peer=(a):x", "peer=<omitido>x"}, {"token='abc", "token=<omitido>"},
    {R"(token="a\\" fim)", "token=<omitido> fim"}, {R"(token="it's" fim)", "token=<omitido> fim"},
    {R"(nome="a" senha="b" ok)", "nome=<omitido> senha=<omitido> ok"}, {"motivo=x\nsenha=y\nfim", "motivo=<omitido>"},
    {"pin 1234-5678 9 ok", "pin <omitido> ok"}, {"PIN: 12 34 ok", "PIN: <omitido> ok"},
    {"Pin 12- ok", "Pin <omitido>- ok"}, {"pin: abc 12 ok", "pin: <omitido>"},
    {R"({"pin"1234})", R"({"pin"<omitido>})"}, {"senha 1234", "senha 1234"}, {"pin_fixo=12 ok", "pin_fixo=<omitido>"},
    // Tokens that carry a key but are not one.
    {"x-nome=abc", "x-nome=abc"}, {"_senha=abc", "_senha=abc"}, {"remote_candidate_=abc", "remote_candidate_=abc"},
    // Words: paths, links, digests, addresses; separators stay.
    {R"(abrindo C:\Users\usuario\video.mp4 agora)", "abrindo <caminho omitido> agora"},
    {R"(\\servidor\pasta\arquivo.txt)", "<caminho omitido>"}, {"C:/x /home/u", "C:/x /home/u"},
    {"ip 10.0.0.1, porta 80", "ip <IPv4>, porta 80"}, {"12:30:45 00:11:22:33:44:55", "12:30:45 00:11:22:33:44:55"},
    {"(10.0.0.1)", "(<IPv4>)"}, {"sha 0123456789abcdef0123456789ABCDEF fim", "sha <digest omitido> fim"},
    {"0123456789abcdef0123456789abcdef.", "0123456789abcdef0123456789abcdef."},
    {"usuario@10.0.0.1", "usuario@10.0.0.1"}, {"x <omitido> y", "x <omitido> y"},
    {"a=1.2.3.4;b#[::1]!", "a=<IPv4>;b#<IPv6>!"},
    // Beyond ASCII: keys fold A-Z only, classes decide tokens and words.
    {"endereço=rua x", "endereço=<omitido>"}, {"ENDEREÇO=rua x", "ENDEREÇO=rua x"},
    {"nomé=x \u2160senha=x", "nomé=x \u2160senha=x"}, {"senha\u00A0= x", "senha\u00A0= <omitido>"},
    {"label\u2028'x' fim", "label\u2028<omitido> fim"}, {"label\u200B'x'", "label\u200B'x'"},
    {"a\u2028b", "a\u2028b"}, {"abrindo C:\\Usuários\\joão\\vídeo.mp4 já", "abrindo <caminho omitido> já"},
    {"C:\\x\u2028y", "<caminho omitido>\u2028y"}, {"\u0661.\u0662.\u0663.\u0664", "\u0661.\u0662.\u0663.\u0664"},
    {"1.2.3.4\u00B2", "1.2.3.4\u00B2"}, {"1.2.3.4\U0001F600x", "<IPv4>\U0001F600x"},
    // Invalid UTF-8: each bad byte is one character of no class, kept as is.
    {"a\xFF" "b", "a\xFF" "b"}, {"senha=\xFF\xFE", "senha=<omitido>"}, {"senha\xFF=x", "senha\xFF=x"},
    {"1.2.3.4\xC0" "C:\\x", "<IPv4>\xC0<caminho omitido>"}, {"senha \xE2\x80", "senha \xE2\x80"},
    {"label \xE2\x80'x'", "label \xE2\x80'x'"},
};

TEST(Higienizar, Tabela) {
  for (const Caso& c : MENSAGENS) {
    const std::string entrada(c.entrada);  // exact bytes, for AddressSanitizer
    EXPECT_EQ(Higiene::higienizar(entrada), c.esperado) << "entrada: " << c.entrada;
  }
}

// One word at a time: the first rule that takes it decides. The address
// grammar is checked here, through the rule that uses it.
constexpr Caso PALAVRAS[] = {
    {"NORVA://", "norva://<omitido>"}, {"norva:/", "norva:/"}, {"norva://10.0.0.1:80/x", "norva://<omitido>"},
    {"00000000000000000000000000000000", "<digest omitido>"},
    {"0000000000000000000000000000000", "0000000000000000000000000000000"},
    {"0000000000000000-000000000000000000", "0000000000000000-000000000000000000"},
    {"1111111111111111111111111111111111", "<digest omitido>"}, {"0.0.0.0", "<IPv4>"}, {"255.255.255.255", "<IPv4>"},
    {"1.2.3", "1.2.3"}, {"1.2.3.4.5", "1.2.3.4.5"}, {"1..3.4", "1..3.4"}, {"01.2.3.4", "01.2.3.4"},
    {"1.2.3.256", "1.2.3.256"}, {"1.2.3.1000", "1.2.3.1000"}, {"1.2.3.4:0", "<IPv4>:0"},
    {"1.2.3.4:65535", "<IPv4>:65535"}, {"1.2.3.4:65536", "1.2.3.4:65536"},
    {"1.2.3.4:00000000000000000000000000000080", "<IPv4>:80"}, {"1.2.3.4:", "1.2.3.4:"}, {"1.2.3.4:+1", "1.2.3.4:+1"},
    {"1.2.3.4...", "<IPv4>"}, {"10.0.0.1:80..", "<IPv4>:80"}, {"]][1.2.3.4]][", "<IPv4>"}, {"::", "<IPv6>"},
    {"1::", "<IPv6>"}, {"1:2:3:4:5:6:7:8", "<IPv6>"}, {"1:2:3:4:5:6:7", "1:2:3:4:5:6:7"},
    {"1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7:8:9"}, {"1:2:3:4:5:6:7::", "<IPv6>"},
    {"1:2:3:4::5:6:7:8", "1:2:3:4::5:6:7:8"}, {"1::2::3", "1::2::3"}, {":::", ":::"}, {":1::", ":1::"},
    {"ABCD:ef01::0000", "<IPv6>"}, {"12345::", "12345::"}, {"g::", "g::"}, {"::ffff:1.2.3.4", "<IPv6>"},
    {"1:2:3:4:5:6:1.2.3.4", "<IPv6>"}, {"1:2:3:4:5:6:7:1.2.3.4", "1:2:3:4:5:6:7:1.2.3.4"}, {"1.2.3.4::", "1.2.3.4::"},
    {"::1.2.3.256", "::1.2.3.256"}, {"::1.2.3.4:1", "::1.2.3.4:1"}, {"::1:80", "<IPv6>"}, {"[::]:0", "<IPv6>:0"},
    {"[::1]:8080", "<IPv6>:8080"}, {"[::1%4294967295]:1", "<IPv6>:1"}, {"[::1%4294967296]:1", "<IPv6>"},
    {"[::1%]:1", "<IPv6>"}, {"[fe80::1%eth0]:443", "<IPv6>"}, {"[1.2.3.4]:80", "[1.2.3.4]:80"},
    {R"(1.2.3.4:\x)", "<caminho omitido>"}, {R"(arquivo=D:\x)", "<caminho omitido>"},
    {R"(\servidor)", R"(\servidor)"},
};

TEST(ClassificarPalavra, Tabela) {
  for (const Caso& c : PALAVRAS) {
    EXPECT_EQ(Higiene::classificar_palavra(std::string(c.entrada)), c.esperado) << "palavra: " << c.entrada;
  }
}

// Stage 3 alone.
constexpr Caso LINHAS[] = {
    {"linha 1\nlinha 2", "linha 1 | linha 2"}, {"a\r\n\nb\n", "a |  | b"}, {"\n", ""}, {"\n\n", " | "},
    {"\na", " | a"}, {"a\rb\r", "a\rb\r"}, {"a\r\r\nb", "a\r | b"},
};

TEST(JuntarLinhas, Tabela) {
  for (const Caso& c : LINHAS) EXPECT_EQ(Higiene::juntar_linhas(c.entrada), c.esperado) << c.entrada;
}

}  // namespace
}  // namespace norva
