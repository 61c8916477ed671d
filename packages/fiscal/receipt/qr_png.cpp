#include "fiscal/receipt/qr_png.h"

#include <png.h>
#include <qrencode.h>

#include <memory>
#include <vector>

#include "rtl/errors.h"

namespace VyrFiscal::Cupom {

namespace {

constexpr int kPixelsPorModulo = 4;
constexpr int kMargem = 4;  // modules of quiet zone on every side

struct LiberaQr {
  void operator()(QRcode* qr) const { QRcode_free(qr); }
};

}  // namespace

void GravaQrPng(const std::string& conteudo, const std::string& arquivo) {
  std::unique_ptr<QRcode, LiberaQr> qr(
      QRcode_encodeData(static_cast<int>(conteudo.size()),
                        reinterpret_cast<const unsigned char*>(conteudo.data()), 0, QR_ECLEVEL_M));
  if (!qr) throw rtl::Exception("Receipt: no QR code can hold the text '" + conteudo + "'");

  const int modulos = qr->width + 2 * kMargem;
  const int lado = modulos * kPixelsPorModulo;
  std::vector<unsigned char> pixels(static_cast<size_t>(lado) * lado, 0xFF);
  for (int y = 0; y < qr->width; ++y) {
    for (int x = 0; x < qr->width; ++x) {
      if ((qr->data[y * qr->width + x] & 1) == 0) continue;  // bit 0 set: a dark module
      for (int dy = 0; dy < kPixelsPorModulo; ++dy) {
        unsigned char* linha =
            &pixels[static_cast<size_t>((y + kMargem) * kPixelsPorModulo + dy) * lado];
        for (int dx = 0; dx < kPixelsPorModulo; ++dx) {
          linha[(x + kMargem) * kPixelsPorModulo + dx] = 0;
        }
      }
    }
  }

  png_image imagem{};
  imagem.version = PNG_IMAGE_VERSION;
  imagem.width = static_cast<png_uint_32>(lado);
  imagem.height = static_cast<png_uint_32>(lado);
  imagem.format = PNG_FORMAT_GRAY;
  const bool gravou =
      png_image_write_to_file(&imagem, arquivo.c_str(), 0, pixels.data(), lado, nullptr) != 0;
  const std::string motivo = imagem.message;
  png_image_free(&imagem);
  if (!gravou) {
    throw rtl::EInOutError("Receipt: cannot write the QR code image " + arquivo + " (" + motivo +
                           ")");
  }
}

}  // namespace VyrFiscal::Cupom
