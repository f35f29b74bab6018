#include "ferramentas/produtor/imagem.h"

#include <cstring>
#include <string>

#include "ferramentas/produtor/conversao.h"


namespace norva::produtor {
namespace {

// Rows of the whole buffer: the planar 4:2:0 formats carry half as many
// chroma rows again (I420's two half-width planes make one row's worth).
std::uint32_t linhas_do_buffer(int formato) {
  return formato == NORVA_ESCRITOR_NV12 || formato == NORVA_ESCRITOR_I420 ? ALTURA * 3 / 2 : ALTURA;
}

std::unexpected<Falha> falha(norva_escritor_erro codigo, std::string mensagem) {
  return std::unexpected(Falha{codigo, std::move(mensagem)});
}

}  // namespace

std::uint32_t passo_minimo(int formato) {
  switch (formato) {
    case NORVA_ESCRITOR_NV12:
    case NORVA_ESCRITOR_I420: return LARGURA;
    case NORVA_ESCRITOR_YUY2: return LARGURA * 2;
    case NORVA_ESCRITOR_RGB24: return LARGURA * 3;
    case NORVA_ESCRITOR_BGRA:
    case NORVA_ESCRITOR_BGRX:
    case NORVA_ESCRITOR_RGBA: return LARGURA * 4;
    default: return 0;
  }
}

const char* nome_do_formato(int formato) {
  switch (formato) {
    case NORVA_ESCRITOR_NV12: return "NV12";
    case NORVA_ESCRITOR_I420: return "I420";
    case NORVA_ESCRITOR_YUY2: return "YUY2";
    case NORVA_ESCRITOR_BGRA: return "BGRA";
    case NORVA_ESCRITOR_BGRX: return "BGRX";
    case NORVA_ESCRITOR_RGBA: return "RGBA";
    case NORVA_ESCRITOR_RGB24: return "RGB24";
    default: return "?";
  }
}

std::expected<std::uint32_t, Falha> validar(const Imagem& imagem) {
  if (imagem.pixels == nullptr) return falha(NORVA_ESCRITOR_ERRO_PONTEIRO_NULO, "the pixel pointer is null");
  if (imagem.largura != LARGURA || imagem.altura != ALTURA) {
    return falha(NORVA_ESCRITOR_ERRO_DIMENSOES, "the frame is " + std::to_string(imagem.largura) + "x" +
                                                    std::to_string(imagem.altura) + "; the camera takes 1920x1080");
  }
  const std::uint32_t minimo = passo_minimo(imagem.formato);
  if (minimo == 0) {
    return falha(NORVA_ESCRITOR_ERRO_FORMATO, "unknown pixel format " + std::to_string(imagem.formato) +
                                                  " (NV12 1, I420 2, YUY2 3, BGRA 4, BGRX 5, RGBA 6, RGB24 7)");
  }
  const std::uint32_t passo = imagem.passo == 0 ? minimo : imagem.passo;
  const std::string formato = nome_do_formato(imagem.formato);
  if (passo < minimo || passo > MAIOR_PASSO) {
    return falha(NORVA_ESCRITOR_ERRO_PASSO, "stride " + std::to_string(passo) + " for " + formato + ": it must be " +
                                                std::to_string(minimo) + " to " + std::to_string(MAIOR_PASSO) +
                                                " bytes");
  }
  if (imagem.formato == NORVA_ESCRITOR_I420 && passo % 2 != 0) {
    return falha(NORVA_ESCRITOR_ERRO_PASSO, "stride " + std::to_string(passo) +
                                                " for I420 is odd; its chroma planes use half of it");
  }
  const std::size_t necessarios = std::size_t{passo} * linhas_do_buffer(imagem.formato);
  if (imagem.tamanho < necessarios) {
    return falha(NORVA_ESCRITOR_ERRO_TAMANHO, std::to_string(imagem.tamanho) + " bytes given; " + formato +
                                                  " 1920x1080 with stride " + std::to_string(passo) + " needs " +
                                                  std::to_string(necessarios));
  }
  return passo;
}

void converter_para_nv12(const Imagem& imagem, std::uint32_t passo, std::span<std::uint8_t, TAMANHO_DO_QUADRO> nv12) {
  const auto* origem = static_cast<const std::uint8_t*>(imagem.pixels);
  switch (imagem.formato) {
    case NORVA_ESCRITOR_NV12:
      if (passo == LARGURA) {
        std::memcpy(nv12.data(), origem, TAMANHO_DO_QUADRO);
      } else {
        for (std::uint32_t linha = 0; linha < ALTURA * 3 / 2; ++linha) {
          std::memcpy(nv12.data() + std::size_t{linha} * LARGURA, origem + std::size_t{linha} * passo, LARGURA);
        }
      }
      return;
    default:
      converter_de_outro_formato(imagem.formato, origem, passo, nv12);
  }
}

}  // namespace norva::produtor
